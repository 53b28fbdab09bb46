#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane::gui {

enum class RichTextAlignment {
    Left,
    Centre,
    Right,
    Justified,
};

struct RichTextFormat {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 0;                 // 0: the view's own size
    std::optional<std::uint32_t> color;  // 0xRRGGBB; none: the view's own colour
    bool operator==(const RichTextFormat&) const = default;
};

// A stretch of text in one format; UTF-8.
struct RichTextRun {
    std::string text;
    RichTextFormat format;
};

struct RichTextParagraph {
    RichTextAlignment alignment = RichTextAlignment::Left;
    std::vector<RichTextRun> runs;
    std::string plainText() const;
};

struct RichText {
    std::vector<RichTextParagraph> paragraphs;
    // The paragraphs' texts, one line each.
    std::string plainText() const;
};

// True for a text that announces itself as RTF.
bool isRtf(std::string_view text);

// Reads the common subset of RTF that the About box and skins' help files
// use: groups, paragraphs, tabs, bold, italic, underline, font size, colours
// from the colour table, paragraph alignment, \'hh escapes (Windows-1252) and
// \u escapes. Unknown control words are ignored and destinations that hold
// no text (font table, style sheet, pictures, "\*" groups...) are skipped.
RichText readRtf(std::string_view rtf);

// Plain text of the Windows ANSI code page as UTF-8.
std::string windows1252ToUtf8(std::string_view text);

}  // namespace quorvane::gui
