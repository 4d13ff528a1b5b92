# Compile settings shared by every target: link `tessary_compile_settings`.
option(TESSARY_SANITIZE "Build with address and undefined-behaviour sanitizers" OFF)

add_library(tessary_compile_settings INTERFACE)
target_compile_features(tessary_compile_settings INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)

target_compile_options(tessary_compile_settings INTERFACE
    -Wall -Wextra -Wold-style-cast -Wnon-virtual-dtor -Wpedantic)
target_compile_definitions(tessary_compile_settings INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_KEYWORDS
    RAPIDJSON_HAS_STDSTRING=1)

if(TESSARY_SANITIZE)
    target_compile_options(tessary_compile_settings INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(tessary_compile_settings INTERFACE -fsanitize=address,undefined)
endif()

# Builds every library for libFuzzer (clang only): see tests/fuzz and `make fuzz`.
option(TESSARY_FUZZ "Build the fuzz targets with libFuzzer" OFF)
if(TESSARY_FUZZ)
    target_compile_options(tessary_compile_settings INTERFACE
        -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    target_link_options(tessary_compile_settings INTERFACE -fsanitize=address,undefined)
endif()
