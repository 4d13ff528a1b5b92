# The local HTTP(S) server with a certificate authority made at start, for the
# tests and benchmarks that need a real peer on loopback. Included from both.
if(NOT TARGET tessary_test_https_server)
    find_package(OpenSSL REQUIRED)
    add_library(tessary_test_https_server STATIC
        ${CMAKE_CURRENT_LIST_DIR}/LocalHttpsServer.cpp
        ${CMAKE_CURRENT_LIST_DIR}/TestCertificates.cpp)
    target_include_directories(tessary_test_https_server PUBLIC ${CMAKE_CURRENT_LIST_DIR})
    target_link_libraries(tessary_test_https_server
        PUBLIC tessary_compile_settings Qt6::Core
        PRIVATE OpenSSL::SSL OpenSSL::Crypto)
endif()
