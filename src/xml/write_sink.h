#pragma once
// Where a written document goes when it is not collected in memory: a file, a pipe, a socket.
#include <cstddef>
#include <string_view>

namespace quillon::xml {

class WriteSink {
  public:
    virtual ~WriteSink() = default;

    // Takes the next piece of the output, in order. False stops the writing: the destination
    // failed and nothing more is sent.
    virtual bool write(std::string_view piece) = 0;

    // The largest piece the writer hands over at once, which is also the writer's buffer size.
    virtual std::size_t pieceSize() const { return std::size_t(1) << 20; }
};

}  // namespace quillon::xml
