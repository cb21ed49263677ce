#include "kit/text/RtfReader.h"

#include "kit/core/Error.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Font.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <vector>

namespace kit {

namespace {

constexpr int rtfMaxDepth = 200;
constexpr int rtfMaxDigits = 10;

struct RtfFailure {
    QString reason;
};

enum class RtfDestination { Text, Skip, FontTable, ColorTable };

struct RtfState {
    RtfDestination destination = RtfDestination::Text;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 24;
    int color = 0;
    int font = -1;
    int unicodeSkip = 1;
};

// Code page 1252 through ICU, one byte at a time.
class RtfCodePage {
public:
    RtfCodePage()
    {
        UErrorCode status = U_ZERO_ERROR;
        converter_ = ucnv_open("windows-1252", &status);
        if (U_FAILURE(status))
            converter_ = nullptr;
    }
    ~RtfCodePage()
    {
        if (converter_)
            ucnv_close(converter_);
    }
    RtfCodePage(const RtfCodePage&) = delete;
    RtfCodePage& operator=(const RtfCodePage&) = delete;

    QString decode(unsigned char byte)
    {
        if (!converter_)
            return QString(QChar(byte));
        UChar out[4];
        UErrorCode status = U_ZERO_ERROR;
        const char in = char(byte);
        const int32_t n = ucnv_toUChars(converter_, out, 4, &in, 1, &status);
        if (U_FAILURE(status) || n <= 0)
            return QString(QChar(0xFFFD));
        return QString(reinterpret_cast<const QChar*>(out), n);
    }

private:
    UConverter* converter_ = nullptr;
};

class RtfParser {
public:
    explicit RtfParser(const QByteArray& data)
        : data_(data)
    { }

    AttributedString parse()
    {
        skipWhiteSpace();
        if (!data_.mid(pos_).startsWith("{\\rtf"))
            throw RtfFailure { QStringLiteral("The data does not start with an RTF header.") };
        while (pos_ < data_.size()) {
            const char c = data_.at(pos_);
            if (c == '{') {
                ++pos_;
                if (int(stack_.size()) >= rtfMaxDepth)
                    throw RtfFailure { QStringLiteral("Groups are nested too deeply.") };
                stack_.push_back(state_);
                groupStart_ = true;
                continue;
            }
            if (c == '}') {
                ++pos_;
                if (stack_.empty())
                    throw RtfFailure { QStringLiteral("A group closes that was never opened.") };
                endGroup();
                if (stack_.empty()) {
                    skipWhiteSpace();
                    while (pos_ < data_.size() && data_.at(pos_) == '\0')
                        ++pos_;
                    if (pos_ < data_.size())
                        throw RtfFailure { QStringLiteral("Data follows the end of the text.") };
                    flush();
                    return out_;
                }
                continue;
            }
            const bool first = groupStart_;
            groupStart_ = false;
            if (c == '\\') {
                ++pos_;
                controlWord(first);
                continue;
            }
            ++pos_;
            if (c == '\r' || c == '\n')
                continue;
            text(uchar(c) < 0x80 ? QString(QChar(uchar(c))) : codePage_.decode(uchar(c)));
        }
        throw RtfFailure { QStringLiteral("The text ends inside a group.") };
    }

private:
    void skipWhiteSpace()
    {
        while (pos_ < data_.size() && QChar(uchar(data_.at(pos_))).isSpace())
            ++pos_;
    }

    void endGroup()
    {
        if (state_.destination == RtfDestination::FontTable && currentFont_ >= 0) {
            fonts_[currentFont_] = fontName_.trimmed();
            fontName_.clear();
        }
        state_ = stack_.back();
        stack_.pop_back();
    }

    void controlWord(bool first)
    {
        if (pos_ >= data_.size())
            throw RtfFailure { QStringLiteral("The text ends after a backslash.") };
        const char c = data_.at(pos_);
        if (!std::isalpha(uchar(c))) {
            ++pos_;
            switch (c) {
            case '\'': {
                if (pos_ + 2 > data_.size())
                    throw RtfFailure { QStringLiteral("A hexadecimal character is cut off.") };
                bool ok = false;
                const int byte = data_.mid(pos_, 2).toInt(&ok, 16);
                if (!ok)
                    throw RtfFailure { QStringLiteral("A hexadecimal character is malformed.") };
                pos_ += 2;
                text(codePage_.decode(uchar(byte)));
                return;
            }
            case '*':
                if (first)
                    state_.destination = RtfDestination::Skip;
                return;
            case '~':
                text(QString(QChar(0x00A0)));
                return;
            case '_':
                text(QString(QChar(0x2011)));
                return;
            case '-':
                return;
            case '\n':
            case '\r':
                text(QStringLiteral("\n"));
                return;
            default:
                text(QString(QChar(uchar(c))));
                return;
            }
        }
        const int start = int(pos_);
        while (pos_ < data_.size() && std::isalpha(uchar(data_.at(pos_))) && pos_ - start < 32)
            ++pos_;
        const QByteArray word = data_.mid(start, pos_ - start);
        bool hasNumber = false;
        long long number = 0;
        bool negative = false;
        if (pos_ < data_.size() && data_.at(pos_) == '-') {
            negative = true;
            ++pos_;
        }
        int digits = 0;
        while (pos_ < data_.size() && std::isdigit(uchar(data_.at(pos_)))) {
            if (++digits > rtfMaxDigits)
                throw RtfFailure { QStringLiteral("A number is too long.") };
            number = number * 10 + (data_.at(pos_) - '0');
            hasNumber = true;
            ++pos_;
        }
        if (negative && !hasNumber)
            throw RtfFailure { QStringLiteral("A minus sign without a number.") };
        if (pos_ < data_.size() && data_.at(pos_) == ' ')
            ++pos_;
        const int value = int(std::clamp<long long>(negative ? -number : number, -2147483647LL, 2147483647LL));
        apply(word, hasNumber, value, first);
    }

    void apply(const QByteArray& word, bool hasNumber, int value, bool first)
    {
        if (state_.destination == RtfDestination::Skip)
            return;
        if (state_.destination == RtfDestination::ColorTable) {
            if (word == "red")
                pendingColor_[0] = std::clamp(value, 0, 255);
            else if (word == "green")
                pendingColor_[1] = std::clamp(value, 0, 255);
            else if (word == "blue")
                pendingColor_[2] = std::clamp(value, 0, 255);
            colorHasComponents_ = true;
            return;
        }
        if (state_.destination == RtfDestination::FontTable) {
            if (word == "f" && hasNumber) {
                if (currentFont_ >= 0 && !fontName_.isEmpty())
                    fonts_[currentFont_] = fontName_.trimmed();
                currentFont_ = value;
                fontName_.clear();
            }
            return;
        }
        if (word == "fonttbl") {
            state_.destination = RtfDestination::FontTable;
            currentFont_ = -1;
        } else if (word == "colortbl") {
            state_.destination = RtfDestination::ColorTable;
            colors_.clear();
            colorHasComponents_ = false;
        } else if (first
            && (word == "stylesheet" || word == "info" || word == "pict" || word == "header" || word == "footer" || word == "footnote"
                || word == "fldinst" || word == "object" || word == "listtable" || word == "listoverridetable" || word == "revtbl"
                || word == "rsidtbl" || word == "generator" || word == "themedata" || word == "colorschememapping" || word == "latentstyles"
                || word == "datastore" || word == "xmlnstbl" || word == "headerl" || word == "headerr" || word == "footerl"
                || word == "footerr")) {
            state_.destination = RtfDestination::Skip;
        } else if (word == "par") {
            text(QStringLiteral("\n"));
        } else if (word == "line") {
            text(QString(QChar(0x2028)));
        } else if (word == "tab") {
            text(QStringLiteral("\t"));
        } else if (word == "b") {
            state_.bold = !hasNumber || value != 0;
        } else if (word == "i") {
            state_.italic = !hasNumber || value != 0;
        } else if (word == "ul") {
            state_.underline = !hasNumber || value != 0;
        } else if (word == "ulnone") {
            state_.underline = false;
        } else if (word == "fs" && hasNumber) {
            state_.halfPoints = std::clamp(value, 2, 3000);
        } else if (word == "cf" && hasNumber) {
            state_.color = std::max(0, value);
        } else if (word == "f" && hasNumber) {
            state_.font = value;
        } else if (word == "plain") {
            const RtfDestination d = state_.destination;
            const int skip = state_.unicodeSkip;
            state_ = RtfState();
            state_.destination = d;
            state_.unicodeSkip = skip;
        } else if (word == "uc" && hasNumber) {
            state_.unicodeSkip = std::clamp(value, 0, 16);
        } else if (word == "u" && hasNumber) {
            const int code = value < 0 ? value + 65536 : value;
            text(QString(QChar(char16_t(std::clamp(code, 0, 0xFFFF)))), false);
            pendingSkip_ = state_.unicodeSkip;
        }
        // Anything else (\rtf, \ansi, \ansicpg, \pard, ...) changes nothing we keep.
    }

    void text(const QString& s, bool skippable = true)
    {
        if (skippable && pendingSkip_ > 0) {
            --pendingSkip_;
            return;
        }
        switch (state_.destination) {
        case RtfDestination::Skip:
            return;
        case RtfDestination::FontTable:
            if (s == QLatin1String(";")) {
                if (currentFont_ >= 0)
                    fonts_[currentFont_] = fontName_.trimmed();
                fontName_.clear();
            } else {
                fontName_ += s;
            }
            return;
        case RtfDestination::ColorTable:
            if (s == QLatin1String(";")) {
                colors_.push_back(colorHasComponents_ ? Color::colorWithCalibratedRedGreenBlueAlpha(
                                      pendingColor_[0] / 255.0, pendingColor_[1] / 255.0, pendingColor_[2] / 255.0, 1)
                                                      : Ref<Color>());
                pendingColor_[0] = pendingColor_[1] = pendingColor_[2] = 0;
                colorHasComponents_ = false;
            }
            return;
        case RtfDestination::Text:
            break;
        }
        const Dictionary attributes = currentAttributes();
        if (!pendingText_.isEmpty() && !attributes.isEqualToDictionary(pendingAttributes_))
            flush();
        pendingAttributes_ = attributes;
        pendingText_ += s;
    }

    Dictionary currentAttributes()
    {
        Dictionary d;
        const double size = state_.halfPoints / 2.0;
        const auto name = fonts_.find(state_.font);
        Ref<Font> font = name != fonts_.end() && !name->second.isEmpty() ? Font::fontWithNameSize(name->second, size) : Font::systemFontOfSize(size);
        const Ref<FontManager> manager = FontManager::sharedFontManager();
        if (state_.bold)
            font = manager->convertFontToHaveTrait(font, BoldFontMask);
        if (state_.italic)
            font = manager->convertFontToHaveTrait(font, ItalicFontMask);
        d.setObjectForKey(font, FontAttributeName);
        if (state_.color > 0 && state_.color < int(colors_.size()) && colors_[std::size_t(state_.color)])
            d.setObjectForKey(colors_[std::size_t(state_.color)], ForegroundColorAttributeName);
        if (state_.underline)
            d.setObjectForKey(UnderlineStyleSingle, UnderlineStyleAttributeName);
        return d;
    }

    void flush()
    {
        if (pendingText_.isEmpty())
            return;
        out_.appendAttributedString(AttributedString(pendingText_, pendingAttributes_));
        pendingText_.clear();
    }

    const QByteArray& data_;
    qsizetype pos_ = 0;
    RtfState state_;
    std::vector<RtfState> stack_;
    bool groupStart_ = false;
    int pendingSkip_ = 0;
    RtfCodePage codePage_;
    std::map<int, QString> fonts_;
    int currentFont_ = -1;
    QString fontName_;
    std::vector<Ref<Color>> colors_;
    int pendingColor_[3] = { 0, 0, 0 };
    bool colorHasComponents_ = false;
    QString pendingText_;
    Dictionary pendingAttributes_;
    AttributedString out_;
};

} // namespace

std::optional<AttributedString> ReadRtf(const QByteArray& data, Ref<Error>* error)
{
    try {
        RtfParser parser(data);
        return parser.parse();
    } catch (const RtfFailure& failure) {
        if (error)
            *error = Error::errorWithDomainCodeUserInfo(CocoaErrorDomain, 259,
                Dictionary { { LocalizedDescriptionKey, QStringLiteral("The RTF text could not be read.") }, { LocalizedFailureReasonErrorKey, failure.reason } });
        return std::nullopt;
    }
}

} // namespace kit
