#include "gui/dialogs/rtf_reader.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "script/script_text.h"

namespace quorvane::gui {

namespace {

void appendUtf8(std::string& out, char32_t code)
{
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

// Windows-1252 differs from Latin-1 only in 0x80..0x9F.
char32_t fromWindows1252(unsigned char byte)
{
    static constexpr std::array<char32_t, 32> kHighControls = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    if (byte >= 0x80 && byte < 0xA0)
        return kHighControls[byte - 0x80];
    return byte;
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}


// Destinations whose content is never shown.
bool isHiddenDestination(std::string_view word)
{
    static constexpr std::string_view kHidden[] = {
        "annotation", "atnid",     "author",    "bkmkend",    "bkmkstart", "colorschememapping",
        "comment",    "datastore", "doccomm",   "fldinst",    "filetbl",   "fonttbl",
        "footer",     "footerf",   "footerl",   "footerr",    "footnote",  "generator",
        "header",     "headerf",   "headerl",   "headerr",    "info",      "keywords",
        "latentstyles", "listoverridetable", "listtable", "mmathPr", "nonshppict", "object",
        "operator",   "pgdsctbl",  "pict",      "revtbl",     "rsidtbl",   "stylesheet",
        "subject",    "template",  "themedata", "title",      "userprops", "xmlnstbl"};
    return std::find(std::begin(kHidden), std::end(kHidden), word) != std::end(kHidden);
}

// Control words that stand for one character.
std::optional<char32_t> characterWord(std::string_view word)
{
    static constexpr std::pair<std::string_view, char32_t> kCharacters[] = {
        {"tab", U'\t'},        {"line", U'\u2028'},   {"emdash", U'\u2014'},
        {"endash", U'\u2013'}, {"bullet", U'\u2022'}, {"lquote", U'\u2018'},
        {"rquote", U'\u2019'}, {"ldblquote", U'\u201C'}, {"rdblquote", U'\u201D'},
        {"emspace", U'\u2003'}, {"enspace", U'\u2002'}};
    for (const auto& [name, character] : kCharacters) {
        if (name == word)
            return character;
    }
    return std::nullopt;
}

class RtfReader {
public:
    explicit RtfReader(std::string_view rtf) : rtf_(rtf) {}

    RichText read();

private:
    struct GroupState {
        RichTextFormat format;
        RichTextAlignment alignment = RichTextAlignment::Left;
        bool hidden = false;
        bool colorTable = false;
        int unicodeSkip = 1;
    };

    void controlWord();
    void controlSymbol(char symbol);
    void word(std::string_view name, bool hasParameter, int parameter);
    void character(char32_t code);
    void ansiByte(unsigned char byte);
    void endParagraph();
    void colorTableText(char c);
    // True for a character of the fallback text that follows a \u escape.
    bool skipFallback();

    std::string_view rtf_;
    std::size_t pos_ = 0;
    std::vector<GroupState> groups_;
    GroupState state_;
    int fallbackLeft_ = 0;
    std::vector<std::optional<std::uint32_t>> colors_;
    std::uint32_t pendingColor_ = 0;
    bool pendingColorSet_ = false;
    RichText text_;
    RichTextParagraph paragraph_;
};

RichText RtfReader::read()
{
    while (pos_ < rtf_.size()) {
        const char c = rtf_[pos_++];
        switch (c) {
        case '{':
            groups_.push_back(state_);
            fallbackLeft_ = 0;
            break;
        case '}':
            if (!groups_.empty()) {
                state_ = groups_.back();
                groups_.pop_back();
            }
            fallbackLeft_ = 0;
            break;
        case '\\':
            controlWord();
            break;
        case '\r':
        case '\n':
        case '\0':
            break;
        default:
            if (state_.colorTable)
                colorTableText(c);
            else
                ansiByte(static_cast<unsigned char>(c));
            break;
        }
    }
    if (!paragraph_.runs.empty())
        endParagraph();
    return std::move(text_);
}

void RtfReader::controlWord()
{
    if (pos_ >= rtf_.size())
        return;
    if (!isLetter(rtf_[pos_])) {
        controlSymbol(rtf_[pos_++]);
        return;
    }
    const std::size_t nameStart = pos_;
    while (pos_ < rtf_.size() && isLetter(rtf_[pos_]))
        ++pos_;
    const std::string_view name = rtf_.substr(nameStart, pos_ - nameStart);
    const std::size_t numberStart = pos_;
    if (pos_ < rtf_.size() && (isDigit(rtf_[pos_]) || rtf_[pos_] == '-')) {
        ++pos_;
        while (pos_ < rtf_.size() && isDigit(rtf_[pos_]))
            ++pos_;
    }
    const std::string number(rtf_.substr(numberStart, pos_ - numberStart));
    if (pos_ < rtf_.size() && rtf_[pos_] == ' ')
        ++pos_;
    const bool hasParameter = !number.empty() && number != "-";
    word(name, hasParameter, hasParameter ? std::atoi(number.c_str()) : 0);
}

void RtfReader::controlSymbol(char symbol)
{
    switch (symbol) {
    case '\'': {
        const int high = pos_ < rtf_.size() ? hexDigitValue(rtf_[pos_]) : -1;
        const int low = pos_ + 1 < rtf_.size() ? hexDigitValue(rtf_[pos_ + 1]) : -1;
        if (high < 0 || low < 0)
            return;
        pos_ += 2;
        ansiByte(static_cast<unsigned char>(high * 16 + low));
        return;
    }
    case '\\':
    case '{':
    case '}':
        ansiByte(static_cast<unsigned char>(symbol));
        return;
    case '~':
        character(U'\u00A0');
        return;
    case '_':
        character(U'\u2011');
        return;
    case '*':
        // Destinations a reader may ignore when it does not know them.
        state_.hidden = true;
        return;
    case '\r':
    case '\n':
        endParagraph();
        return;
    default:
        return;
    }
}

void RtfReader::word(std::string_view name, bool hasParameter, int parameter)
{
    const bool on = !hasParameter || parameter != 0;
    if (isHiddenDestination(name)) {
        state_.hidden = true;
    } else if (name == "colortbl") {
        state_.colorTable = true;
        state_.hidden = true;
    } else if (state_.colorTable) {
        if (name == "red" || name == "green" || name == "blue") {
            const int shift = name == "red" ? 16 : name == "green" ? 8 : 0;
            pendingColor_ |= static_cast<std::uint32_t>(std::clamp(parameter, 0, 255)) << shift;
            pendingColorSet_ = true;
        }
    } else if (name == "u" && hasParameter) {
        character(static_cast<char32_t>(parameter < 0 ? parameter + 65536 : parameter));
        fallbackLeft_ = state_.unicodeSkip;
    } else if (name == "uc") {
        state_.unicodeSkip = std::max(parameter, 0);
    } else if (name == "par") {
        endParagraph();
    } else if (name == "pard") {
        state_.alignment = RichTextAlignment::Left;
    } else if (name == "ql") {
        state_.alignment = RichTextAlignment::Left;
    } else if (name == "qc") {
        state_.alignment = RichTextAlignment::Centre;
    } else if (name == "qr") {
        state_.alignment = RichTextAlignment::Right;
    } else if (name == "qj") {
        state_.alignment = RichTextAlignment::Justified;
    } else if (name == "plain") {
        state_.format = RichTextFormat();
    } else if (name == "b") {
        state_.format.bold = on;
    } else if (name == "i") {
        state_.format.italic = on;
    } else if (name == "ul") {
        state_.format.underline = on;
    } else if (name == "ulnone") {
        state_.format.underline = false;
    } else if (name == "fs") {
        state_.format.halfPoints = hasParameter ? std::max(parameter, 0) : 0;
    } else if (name == "cf") {
        const std::size_t index = hasParameter && parameter > 0 ? static_cast<std::size_t>(parameter) : 0;
        state_.format.color = index < colors_.size() ? colors_[index] : std::nullopt;
    } else if (std::optional<char32_t> code = characterWord(name)) {
        character(*code);
    }
}

bool RtfReader::skipFallback()
{
    if (fallbackLeft_ <= 0)
        return false;
    --fallbackLeft_;
    return true;
}

void RtfReader::ansiByte(unsigned char byte)
{
    if (skipFallback())
        return;
    character(fromWindows1252(byte));
}

void RtfReader::character(char32_t code)
{
    if (state_.hidden)
        return;
    if (paragraph_.runs.empty() || !(paragraph_.runs.back().format == state_.format))
        paragraph_.runs.push_back({{}, state_.format});
    appendUtf8(paragraph_.runs.back().text, code);
}

void RtfReader::endParagraph()
{
    if (state_.hidden)
        return;
    paragraph_.alignment = state_.alignment;
    text_.paragraphs.push_back(std::move(paragraph_));
    paragraph_ = RichTextParagraph();
}

void RtfReader::colorTableText(char c)
{
    if (c != ';')
        return;
    colors_.push_back(pendingColorSet_ ? std::optional<std::uint32_t>(pendingColor_) : std::nullopt);
    pendingColor_ = 0;
    pendingColorSet_ = false;
}

}  // namespace

std::string RichTextParagraph::plainText() const
{
    std::string text;
    for (const RichTextRun& run : runs)
        text += run.text;
    return text;
}

std::string RichText::plainText() const
{
    std::string text;
    for (const RichTextParagraph& paragraph : paragraphs) {
        text += paragraph.plainText();
        text += '\n';
    }
    return text;
}

bool isRtf(std::string_view text)
{
    return text.starts_with("{\\rtf");
}

RichText readRtf(std::string_view rtf)
{
    return RtfReader(rtf).read();
}

std::string windows1252ToUtf8(std::string_view text)
{
    std::string utf8;
    utf8.reserve(text.size());
    for (char c : text)
        appendUtf8(utf8, fromWindows1252(static_cast<unsigned char>(c)));
    return utf8;
}

}  // namespace quorvane::gui
