#pragma once

// The kit's one use of libcurl: a single blocking transfer over the easy interface, for
// URLConnection. Nothing else includes curl.

#include "kit/foundation/URLConnection.h"

namespace kit {

struct CurlTransferResult {
    Ref<Error> error; // set on a transport failure; then nothing else is meaningful
    int statusCode = 0;
    HTTPHeaderFields headers; // of the final answer, after redirects
    QByteArray body;
};

CurlTransferResult performCurlTransfer(const MutableURLRequest& request);

} // namespace kit
