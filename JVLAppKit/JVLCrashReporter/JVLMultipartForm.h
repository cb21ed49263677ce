#pragma once

// The multipart form body both uploads send (crash reports and the feedback form), and the POST that
// carries it. The fixed boundary stays unless a field contains it; then a random one is taken that
// no field contains, so no text can end its part early or add fields of its own.

#include <QByteArray>
#include <QString>

#include <functional>
#include <utility>
#include <vector>

inline const QString JVLMultipartDefaultBoundary = QStringLiteral("0xKhTmLbOuNdArY");

struct JVLMultipartForm {
    using Fields = std::vector<std::pair<QString, QString>>; // name, value; in order

    QString boundary;
    QByteArray body;

    // "multipart/form-data; boundary=<boundary>".
    QString contentType() const;

    // The body: for each field a delimiter, its Content-Disposition line, a blank line and the value
    // in UTF-8, then the closing delimiter and one line break. With `contentTypePreamble`, the
    // Content-Type line and a blank line stand before the first delimiter.
    static JVLMultipartForm formWithFields(const Fields& fields, bool contentTypePreamble = false);

    // Boundaries to try after the default one clashes; the standard source draws 32 letters and
    // digits. Tests replace it (an empty function restores the standard one).
    using BoundarySource = std::function<QString()>;
    static void setBoundarySourceForTesting(BoundarySource source);
};

// Posts `form` to the URL text `urlString` with the given User-Agent and waits. Succeeds only on an
// HTTP answer with a 2xx status; a missing or unparsable URL and transport failures fail.
bool JVLPostMultipartForm(const QString& urlString, const QString& userAgent, const JVLMultipartForm& form);
