#pragma once

#include <QComboBox>

// Chooses which of a domain's measured URLs the history tables list: "All URLs"
// (the empty selection) or one URL. Shown only when there are two or more.
class HistoryUrlPicker : public QComboBox {
    Q_OBJECT

public:
    explicit HistoryUrlPicker(QWidget* parent = nullptr);

    // Updates from the pane; emit nothing. The selection stays when its URL is
    // still offered; the picker hides itself below two URLs.
    void set_urls(const QStringList& urls);
    void set_selected_url(const QString& url);
    QString selected_url() const;
    void showPopup() override;

Q_SIGNALS:
    void url_chosen(const QString& url);

private:
    QStringList urls_;
    bool updating_ = false;
};
