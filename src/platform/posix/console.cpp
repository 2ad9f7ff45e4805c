// Console on Linux: arguments arrive as UTF-8, streams take UTF-8.
#include <unistd.h>

#include <string>

#include "platform/platform.h"

namespace platform {

namespace {
int descriptorOf(Stream stream) { return stream == Stream::output ? STDOUT_FILENO : STDERR_FILENO; }
}  // namespace

StringArray commandLineArguments(int argc, char** argv) {
    StringArray arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(fromUtf8(argv[i]));
    return arguments;
}

bool isTerminal(Stream stream) { return isatty(descriptorOf(stream)) == 1; }

void writeText(Stream stream, const WideString& text) {
    const std::string bytes = toUtf8(text);
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t result = write(descriptorOf(stream), bytes.data() + written, bytes.size() - written);
        if (result <= 0) return;   // a closed stream loses the text, as printing to it would
        written += static_cast<std::size_t>(result);
    }
}

}  // namespace platform
