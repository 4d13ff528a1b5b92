#pragma once

#include <netdb.h>
#include <utility>

// Owns the list getaddrinfo() hands out and frees it on every path.
class AddressInfoList {
public:
    AddressInfoList() = default;
    explicit AddressInfoList(addrinfo* list) : list_(list) {}
    ~AddressInfoList()
    {
        if (list_ != nullptr)
            freeaddrinfo(list_);
    }
    AddressInfoList(AddressInfoList&& other) noexcept : list_(std::exchange(other.list_, nullptr))
    {}
    AddressInfoList& operator=(AddressInfoList&& other) noexcept
    {
        std::swap(list_, other.list_);
        return *this;
    }
    AddressInfoList(const AddressInfoList&) = delete;
    AddressInfoList& operator=(const AddressInfoList&) = delete;

    const addrinfo* get() const { return list_; }

private:
    addrinfo* list_ = nullptr;
};
