#include "kit/foundation/MultipartFormReader.h"

namespace kit {

QByteArray multipartBoundary(const QByteArray& contentType)
{
    for (const QByteArray& piece : contentType.split(';')) {
        const QByteArray parameter = piece.trimmed();
        if (parameter.toLower().startsWith("boundary=")) {
            QByteArray value = parameter.mid(9);
            if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
                value = value.mid(1, value.size() - 2);
            return value;
        }
    }
    return {};
}

std::optional<std::vector<MultipartField>> parseMultipartForm(const QByteArray& body, const QByteArray& boundary)
{
    if (boundary.isEmpty())
        return std::nullopt;
    const QByteArray delimiter = "--" + boundary;
    qsizetype at = body.startsWith(delimiter) ? 0 : body.indexOf("\r\n" + delimiter);
    if (at < 0)
        return std::nullopt;
    at += body.startsWith(delimiter) && at == 0 ? delimiter.size() : delimiter.size() + 2;
    std::vector<MultipartField> fields;
    for (;;) {
        if (body.mid(at, 2) == "--")
            return fields;
        if (body.mid(at, 2) != "\r\n")
            return std::nullopt;
        at += 2;
        const qsizetype headEnd = body.indexOf("\r\n\r\n", at);
        const qsizetype next = body.indexOf("\r\n" + delimiter, at);
        if (next < 0)
            return std::nullopt;
        MultipartField field;
        qsizetype valueStart;
        if (body.mid(at, 2) == "\r\n") {
            valueStart = at + 2; // a part without header lines
        } else {
            if (headEnd < 0 || headEnd > next)
                return std::nullopt;
            for (const QByteArray& line : body.mid(at, headEnd - at).split('\n')) {
                const QByteArray trimmed = line.trimmed();
                const qsizetype colon = trimmed.indexOf(':');
                if (colon > 0)
                    field.headers.emplace_back(trimmed.left(colon).trimmed(), trimmed.mid(colon + 1).trimmed());
            }
            valueStart = headEnd + 4;
        }
        // The blank line's break cannot also be the one that opens the next delimiter.
        if (valueStart > next)
            return std::nullopt;
        for (const auto& [name, value] : field.headers) {
            if (name.compare("Content-Disposition", Qt::CaseInsensitive) != 0)
                continue;
            // The "name" parameter itself, not the end of "filename".
            qsizetype nameAt = value.indexOf("name=\"");
            while (nameAt > 0 && value[nameAt - 1] != ';' && value[nameAt - 1] != ' ' && value[nameAt - 1] != '\t')
                nameAt = value.indexOf("name=\"", nameAt + 1);
            if (nameAt >= 0) {
                const qsizetype end = value.indexOf('"', nameAt + 6);
                field.name = value.mid(nameAt + 6, end < 0 ? -1 : end - nameAt - 6);
            }
        }
        field.value = body.mid(valueStart, next - valueStart);
        fields.push_back(std::move(field));
        at = next + 2 + delimiter.size();
    }
}

} // namespace kit
