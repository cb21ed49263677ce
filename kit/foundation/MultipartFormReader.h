#pragma once

// Reading "multipart/form-data" bodies into their fields, for receivers of uploaded forms.

#include <QByteArray>

#include <optional>
#include <utility>
#include <vector>

namespace kit {

// A form field of a multipart body.
struct MultipartField {
    QByteArray name;
    QByteArray value;
    std::vector<std::pair<QByteArray, QByteArray>> headers; // of the part, as written
};

// The boundary of a "multipart/form-data; boundary=..." type, or empty.
QByteArray multipartBoundary(const QByteArray& contentType);
// The parts of `body` delimited by `boundary` (text before the first delimiter is skipped), or null
// when the body is not well formed (no closing delimiter, a part without a blank line).
std::optional<std::vector<MultipartField>> parseMultipartForm(const QByteArray& body, const QByteArray& boundary);

} // namespace kit
