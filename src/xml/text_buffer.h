#pragma once
// TextBuffer: the growable byte string in which the parser collects tokens and scratch texts.
//
// Its rules are part of what a load produces: a zero byte appended as a character adds nothing,
// an appended string stops at its first zero byte, and a text's length is the number of bytes
// before the first zero byte. Buffers built with these appends therefore never hold a zero byte.
#include <string>
#include <string_view>

namespace quillon::xml {

// The bytes of a text argument: up to the first zero byte.
inline std::string_view TextOf(std::string_view bytes) {
    const std::size_t zero = bytes.find('\0');
    return zero == std::string_view::npos ? bytes : bytes.substr(0, zero);
}

class TextBuffer {
  public:
    void append(char c) {
        if (c != '\0') bytes_.push_back(c);
    }
    void append(std::string_view s) { bytes_.append(TextOf(s)); }
    void assign(std::string_view s) { bytes_.assign(TextOf(s)); }
    void clear() { bytes_.clear(); }

    std::string_view text() const { return bytes_; }
    std::size_t length() const { return bytes_.size(); }
    bool empty() const { return bytes_.empty(); }
    char operator[](std::size_t i) const { return bytes_[i]; }
    bool endsWith(std::string_view s) const { return text().ends_with(s); }

    // Removes spaces, tabs, carriage returns and line feeds from both ends.
    void trim() {
        const std::size_t last = bytes_.find_last_not_of(" \t\r\n");
        if (last == std::string::npos) {
            bytes_.clear();
            return;
        }
        bytes_.erase(last + 1);
        bytes_.erase(0, bytes_.find_first_not_of(" \t\r\n"));
    }

    std::string take() { return std::move(bytes_); }

  private:
    std::string bytes_;
};

}  // namespace quillon::xml
