#include "imaging/library/zlib_buffers.h"

#include <zlib.h>

int IS3ZDeflateBuffer(const void *src, int srcLength, void *dest, int destCapacity, int level) {
    if (src == nullptr || dest == nullptr || srcLength < 0 || destCapacity <= 0) return 0;
    if (level < 0 || level > 9) level = Z_DEFAULT_COMPRESSION;
    uLongf written = static_cast<uLongf>(destCapacity);
    const int rc = compress2(static_cast<Bytef *>(dest), &written, static_cast<const Bytef *>(src),
                             static_cast<uLong>(srcLength), level);
    return rc == Z_OK ? static_cast<int>(written) : 0;
}

int IS3ZInflateBuffer(const void *src, int srcLength, void *dest, int destLength, int /*reserved*/) {
    if (src == nullptr || dest == nullptr || srcLength <= 0 || destLength <= 0) return 0;
    uLongf restored = static_cast<uLongf>(destLength);
    uLong consumed = static_cast<uLong>(srcLength);
    const int rc = uncompress2(static_cast<Bytef *>(dest), &restored, static_cast<const Bytef *>(src), &consumed);
    return rc == Z_OK ? static_cast<int>(restored) : 0;
}
