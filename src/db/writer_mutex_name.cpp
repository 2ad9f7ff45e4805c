// The writer mutex's name rule.
#include "db/writer_mutex_name.h"

#include "platform/platform.h"

WideString writerMutexName(const ByteBuffer& pathBytes, const std::optional<WideString>& givenBase) {
    const WideString base = givenBase ? *givenBase : asciiText(platform::md5Hex(pathBytes));
    return base + u"sqlite";
}
