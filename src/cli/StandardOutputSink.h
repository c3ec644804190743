#pragma once

#include <cstdio>

#include "cli/TerminalText.h"
#include "core/formats/ByteStream.h"

namespace brivanta::cli {

// Standard output as a sink for the writers of the file formats ("-" as the FILE written).
// A failed write is reported by finishOutput().
class StandardOutputSink : public ByteSink {
  public:
    bool write(const char* data, size_t size) override {
        return std::fwrite(data, 1, size, byteOutput()) == size;
    }
};

}  // namespace brivanta::cli
