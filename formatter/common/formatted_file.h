#pragma once
// The formatted file (".fmt") and its notes companion (".fun"): what the formatting run writes
// and the page engine reads. Both sides take their byte codes from here.
//
// The file is a sequence of lines in the encoding of a WordStar document, so that the
// formatter can read it back (an included ".fun", a ".fmt" formatted again):
// - Every line ends with LF. CR LF is a hard line end (a paragraph or a typed line end);
//   0x8D LF is a soft line end, where the formatter broke the line, and such a line may be
//   justified. After the last line stands the end mark 0x1A.
// - A line that starts with "." is a dot line: a command the page engine applies again
//   ("..": a comment; ".:": the rest is a text line). Every other line is text.
// - Text lines are bytes of code page 437/850 mixed with the control codes below: print
//   controls that switch attributes, alignment marks for the rest of the line, column marks
//   (0xA0, one column of the font's column width: indentation and typed tables) and the soft
//   hyphen of a broken word.
// - A plain byte loses bit 7 on reading (WordStar sets it on soft characters: 0x8D is a soft
//   CR, 0xA0 a soft blank). A character from 128 up is therefore written as ESC c FS, which
//   stands for c as it is; c = 0x15 is the section sign.
// - 0x1D type subtype ... type subtype 0x1D is a tagged block. Readers skip it, except that a
//   block of type 0x12 reads as the alternate-font control.
// The formatting run carries some characters under internal codes of its own, which its
// writer translates; the page engine's reader translates the file bytes to codes of its own.
// The index volumes (".IX1" ...) write extended characters with the same ESC pair.

#include <cstdint>

namespace tavrel {

// ---- Line structure ----
inline constexpr std::uint8_t kLineFeed = 0x0A;         // ends every line
inline constexpr std::uint8_t kCarriageReturn = 0x0D;   // before LF: a hard line end
inline constexpr std::uint8_t kSoftLineEndByte = 0x8D;  // before LF: a soft line end
inline constexpr std::uint8_t kEndOfFileMark = 0x1A;    // after the last line (Ctrl-Z)
inline constexpr std::uint8_t kDotLineMark = '.';       // first byte: a dot command line
inline constexpr std::uint8_t kCommentMark = '.';       // second byte of a dot line: a comment
inline constexpr std::uint8_t kTextLineMark = ':';      // second byte of a dot line: text follows

// ---- Encoding ----
inline constexpr std::uint8_t kEscape = 0x1B;            // ESC c FS: the byte c, bit 7 kept
inline constexpr std::uint8_t kEscapeEnd = 0x1C;         // the FS that closes an ESC pair
inline constexpr std::uint8_t kSectionSign437 = 0x15;    // ESC 0x15 FS: the section sign
inline constexpr std::uint8_t kTagMark = 0x1D;           // opens and closes a tagged block
inline constexpr std::uint8_t kAlternateFontTag = 0x12;  // block type read as kAlternateFont

// ---- Print controls: toggles, except kAlternateFont ----
inline constexpr std::uint8_t kAlternateFont = 0x01;      // at the line start: alternate font
inline constexpr std::uint8_t kBoldToggle = 0x02;         // bold on/off
inline constexpr std::uint8_t kDoubleToggle = 0x04;       // double strike, in the special font
inline constexpr std::uint8_t kUnderlineToggle = 0x13;    // underline on/off
inline constexpr std::uint8_t kSuperscriptToggle = 0x14;  // raised, in the special font
inline constexpr std::uint8_t kSubscriptToggle = 0x16;    // lowered, in the special font
inline constexpr std::uint8_t kItalicToggle = 0x19;       // italic on/off
// User print controls: no room and nothing drawn.
inline constexpr std::uint8_t kPrintControlE = 0x05;  // ^E
inline constexpr std::uint8_t kPrintControlQ = 0x11;  // ^Q
inline constexpr std::uint8_t kPrintControlR = 0x12;  // ^R
inline constexpr std::uint8_t kPrintControlW = 0x17;  // ^W

// ---- Alignment of the rest of the line ----
inline constexpr std::uint8_t kRightAlignMark = 0x00;   // the rest ends at the right margin
inline constexpr std::uint8_t kCentreMark = 0x0B;       // the rest is centred up to the margin
inline constexpr std::uint8_t kRightAlignMarkU = 0x15;  // as kRightAlignMark (^U, not escaped)

// ---- Characters with a meaning of their own ----
inline constexpr std::uint8_t kColumnMarkByte = 0xA0;  // one column of the column width
inline constexpr std::uint8_t kSoftHyphen = 0x1F;      // hyphen of a broken word, drawn "-"
inline constexpr std::uint8_t kNoBreakBlank = 0x0F;    // a fixed blank: no break, not stretched
inline constexpr std::uint8_t kSectionSignDel = 0x7F;  // drawn as the section sign
inline constexpr std::uint8_t kFirstBoxChar = 179;     // box drawings up to kLastBoxChar
inline constexpr std::uint8_t kLastBoxChar = 223;      // are drawn as lines, not glyphs
// A hyphen at a place that is no break: the formatter's reader drops it.
inline constexpr std::uint8_t kInactiveSoftHyphen = 0x1E;

// ---- Internal codes of the formatting run (what its writer turns them into) ----
inline constexpr std::uint8_t kColumnMark = 0x1C;    // the column mark: kColumnMarkByte
inline constexpr std::uint8_t kSoftLineEnd = 0xA5;   // kSoftLineEndByte
inline constexpr std::uint8_t kSectionChar = 0xAD;   // ESC kSectionSign437 FS
inline constexpr std::uint8_t kPageNoteMark = 0xA8;  // the place of a page note in the line
// kEscape itself is a filler that pushes held text over the margin and is not written.

// ---- Codes of the page engine's reader ----
// The column mark is kColumnMark there too.
inline constexpr std::uint8_t kEngineSoftLineEnd = 0x1D;  // kSoftLineEndByte as it is read
inline constexpr std::uint8_t kSectionSign850 = 0xF5;     // ESC kSectionSign437 FS

}  // namespace tavrel
