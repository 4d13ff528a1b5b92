// Without libFuzzer, a fuzz target runs once over every file it is given (its
// seed inputs), so the targets build and run with the ordinary tests.
#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int files = 0;
    const auto replay = [&](const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return;
        const QByteArray bytes = file.readAll();
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()),
                               size_t(bytes.size()));
        ++files;
    };
    for (int i = 1; i < argc; ++i) {
        const QString path = QString::fromLocal8Bit(argv[i]);
        if (QFileInfo(path).isFile()) {
            replay(path);
            continue;
        }
        QDirIterator entries(path, QDir::Files, QDirIterator::Subdirectories);
        while (entries.hasNext())
            replay(entries.next());
    }
    std::printf("%d inputs replayed\n", files);
    return files > 0 ? 0 : 1;
}
