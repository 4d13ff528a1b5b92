#pragma once

#include <rapidjson/document.h>

#include <optional>
#include <string_view>

// Numbers reach the decoders as text and are converted here, because
// RapidJSON 1.1's own conversion misreads some valid inputs and can even crash
// on them (a fraction with leading zeros and a large negative exponent, such
// as 0.05e-30). Integers stay integers; everything else becomes the correctly
// rounded double. None for numbers beyond the range of a double.
std::optional<rapidjson::Value> json_number(std::string_view text);

// Forwards every parse event to `Handler` (a document or a streaming reader),
// turning numbers, which the reader delivers as text, into numeric events.
template <typename Handler>
class ExactNumbers {
public:
    using Ch = char;

    explicit ExactNumbers(Handler& handler) : handler_(handler) {}

    // Where a number out of range stopped the parse, if one did.
    bool number_out_of_range() const { return out_of_range_; }

    bool Null() { return handler_.Null(); }
    bool Bool(bool b) { return handler_.Bool(b); }
    bool Int(int i) { return handler_.Int(i); }
    bool Uint(unsigned u) { return handler_.Uint(u); }
    bool Int64(int64_t i) { return handler_.Int64(i); }
    bool Uint64(uint64_t u) { return handler_.Uint64(u); }
    bool Double(double d) { return handler_.Double(d); }
    bool String(const Ch* text, rapidjson::SizeType length, bool copy)
    {
        return handler_.String(text, length, copy);
    }
    bool StartObject() { return handler_.StartObject(); }
    bool Key(const Ch* text, rapidjson::SizeType length, bool copy)
    {
        return handler_.Key(text, length, copy);
    }
    bool EndObject(rapidjson::SizeType members) { return handler_.EndObject(members); }
    bool StartArray() { return handler_.StartArray(); }
    bool EndArray(rapidjson::SizeType elements) { return handler_.EndArray(elements); }

    bool RawNumber(const Ch* text, rapidjson::SizeType length, bool)
    {
        const std::optional<rapidjson::Value> number = json_number({text, length});
        if (!number) {
            out_of_range_ = true;
            return false;
        }
        if (number->IsInt())
            return handler_.Int(number->GetInt());
        if (number->IsUint())
            return handler_.Uint(number->GetUint());
        if (number->IsInt64())
            return handler_.Int64(number->GetInt64());
        if (number->IsUint64())
            return handler_.Uint64(number->GetUint64());
        return handler_.Double(number->GetDouble());
    }

private:
    Handler& handler_;
    bool out_of_range_ = false;
};
