// Text in a fixed buffer, for paths and messages. The library links no C++ runtime (it would
// bring in imports that Windows 9x, NT 4 and 2000 do not have), so it builds its texts here: an
// append that does not fit leaves the text as it was and marks it as overflowed.
#pragma once

#include <cstddef>
#include <cstring>

namespace kclk {

template <size_t Capacity>  // characters, the terminating zero included
class FixedText {
public:
    FixedText() { text_[0] = '\0'; }
    explicit FixedText(const char* text) : FixedText() { Append(text); }

    FixedText& Append(const char* text) { return Append(text, std::strlen(text)); }
    FixedText& Append(const char* text, size_t count) {
        if (length_ + count >= Capacity) {
            overflowed_ = true;
            return *this;
        }
        std::memcpy(text_ + length_, text, count);
        length_ += count;
        text_[length_] = '\0';
        return *this;
    }
    template <size_t Other>
    FixedText& Append(const FixedText<Other>& other) { return Append(other.c_str(), other.size()); }

    const char* c_str() const { return text_; }
    size_t size() const { return length_; }
    bool Fits() const { return !overflowed_; }  // every append found room

private:
    char text_[Capacity];
    size_t length_ = 0;
    bool overflowed_ = false;
};

// The library's path buffers hold 260 characters; its module name is read into 512.
using PathText = FixedText<260>;
using ModulePathText = FixedText<512>;

}  // namespace kclk
