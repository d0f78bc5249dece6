#include "compiler/foundation/char_conversion.h"

#include "compiler/foundation/file_names.h"
#include "compiler/foundation/foundation_run.h"
#include "platform/text.h"

namespace skeldon {

namespace {

// Code page 850 codes from 0x80 up with their Windows-1252 code. Codes without an equivalent
// (box drawing, shades, dotless i, double low line, black square) are missing and keep their
// value; so do 0x9F (florin), 0xBD (cent) and 0xFF (no-break space), which are not translated.
// 0xBF (a box corner) is shown as the not sign.
constexpr std::uint8_t kOemToAnsiPairs[][2] = {
    {0x80, 0xC7},
    {0x81, 0xFC},
    {0x82, 0xE9},
    {0x83, 0xE2},
    {0x84, 0xE4},
    {0x85, 0xE0},
    {0x86, 0xE5},
    {0x87, 0xE7},
    {0x88, 0xEA},
    {0x89, 0xEB},
    {0x8A, 0xE8},
    {0x8B, 0xEF},
    {0x8C, 0xEE},
    {0x8D, 0xEC},
    {0x8E, 0xC4},
    {0x8F, 0xC5},
    {0x90, 0xC9},
    {0x91, 0xE6},
    {0x92, 0xC6},
    {0x93, 0xF4},
    {0x94, 0xF6},
    {0x95, 0xF2},
    {0x96, 0xFB},
    {0x97, 0xF9},
    {0x98, 0xFF},
    {0x99, 0xD6},
    {0x9A, 0xDC},
    {0x9B, 0xF8},
    {0x9C, 0xA3},
    {0x9D, 0xD8},
    {0x9E, 0xD7},
    {0xA0, 0xE1},
    {0xA1, 0xED},
    {0xA2, 0xF3},
    {0xA3, 0xFA},
    {0xA4, 0xF1},
    {0xA5, 0xD1},
    {0xA6, 0xAA},
    {0xA7, 0xBA},
    {0xA8, 0xBF},
    {0xA9, 0xAE},
    {0xAA, 0xAC},
    {0xAB, 0xBD},
    {0xAC, 0xBC},
    {0xAD, 0xA1},
    {0xAE, 0xAB},
    {0xAF, 0xBB},
    {0xB5, 0xC1},
    {0xB6, 0xC2},
    {0xB7, 0xC0},
    {0xB8, 0xA9},
    {0xBE, 0xA5},
    {0xBF, 0xAC},
    {0xC6, 0xE3},
    {0xC7, 0xC3},
    {0xCF, 0xA4},
    {0xD0, 0xF0},
    {0xD1, 0xD0},
    {0xD2, 0xCA},
    {0xD3, 0xCB},
    {0xD4, 0xC8},
    {0xD6, 0xCD},
    {0xD7, 0xCE},
    {0xD8, 0xCF},
    {0xDD, 0xA6},
    {0xDE, 0xCC},
    {0xE0, 0xD3},
    {0xE1, 0xDF},
    {0xE2, 0xD4},
    {0xE3, 0xD2},
    {0xE4, 0xF5},
    {0xE5, 0xD5},
    {0xE6, 0xB5},
    {0xE7, 0xFE},
    {0xE8, 0xDE},
    {0xE9, 0xDA},
    {0xEA, 0xDB},
    {0xEB, 0xD9},
    {0xEC, 0xFD},
    {0xED, 0xDD},
    {0xEE, 0xAF},
    {0xEF, 0xB4},
    {0xF0, 0xAD},
    {0xF1, 0xB1},
    {0xF3, 0xBE},
    {0xF4, 0xB6},
    {0xF5, 0xA7},
    {0xF6, 0xF7},
    {0xF7, 0xB8},
    {0xF8, 0xB0},
    {0xF9, 0xA8},
    {0xFA, 0xB7},
    {0xFB, 0xB9},
    {0xFC, 0xB3},
    {0xFD, 0xB2},
    // The section sign of the DOS control range.
    {0x15, 0xA7},
};

// The HTML entities: the character's code in the ISO source (0 = no entry) and in the code
// page 850 source (0 = no entry).
struct TEntity {
  const char* Text;
  std::uint8_t Iso;
  std::uint8_t Oem;
};
constexpr TEntity kEntities[] = {
    {"&Ccedil;", 0xC7, 0x80}, {"&uuml;", 0xFC, 0x81},   {"&eacute;", 0xE9, 0x82},
    {"&acirc;", 0xE2, 0x83},  {"&auml;", 0xE4, 0x84},   {"&agrave;", 0xE0, 0x85},
    {"&aring;", 0xE5, 0x86},  {"&ccedil;", 0xE7, 0x87}, {"&ecirc;", 0xEA, 0x88},
    {"&euml;", 0xEB, 0x89},   {"&egrave;", 0xE8, 0x8A}, {"&iuml;", 0xEF, 0x8B},
    {"&icirc;", 0xEE, 0x8C},  {"&igrave;", 0xEC, 0x8D}, {"&Auml;", 0xC4, 0x8E},
    {"&Aring;", 0xC5, 0x8F},  {"&Eacute;", 0xC9, 0x90}, {"&aelig;", 0xE6, 0x91},
    {"&AElig;", 0xC6, 0x92},  {"&ocirc;", 0xF4, 0x93},  {"&ouml;", 0xF6, 0x94},
    {"&ograve;", 0xF2, 0x95}, {"&ucirc;", 0xFB, 0x96},  {"&ugrave;", 0xF9, 0x97},
    {"&yuml;", 0xFF, 0x98},   {"&Ouml;", 0xD6, 0x99},   {"&Uuml;", 0xDC, 0x9A},
    {"&oslash;", 0xF8, 0x9B}, {"&pound;", 0xA3, 0x9C},  {"&Oslash;", 0xD8, 0x9D},
    {"&aacute;", 0xE1, 0xA0}, {"&iacute;", 0xED, 0xA1}, {"&oacute;", 0xF3, 0xA2},
    {"&uacute;", 0xFA, 0xA3}, {"&ntilde;", 0xF1, 0xA4}, {"&Ntilde;", 0xD1, 0xA5},
    {"&iquest;", 0xBF, 0xA8}, {"&reg;", 0xAE, 0xA9},    {"&frac12;", 0xBD, 0xAB},
    {"&frac14;", 0xBC, 0xAC}, {"&iexcl;", 0xA1, 0xAD},  {"&Aacute;", 0xC1, 0xB5},
    {"&copy;", 0xA9, 0xB8},   {"&szlig;", 0xDF, 0xE1},  {"&otilde;", 0xF5, 0xE4},
    {"&Otilde;", 0xD5, 0xE5}, {"&micro;", 0xB5, 0xE6},  {"&Uacute;", 0xDA, 0xE9},
    {"&Ucirc;", 0xDB, 0xEA},  {"&plusmn;", 0xB1, 0xF1}, {"&#167;", 0x00, 0xF5},
    {"&deg;", 0xB0, 0xF8},    {"&middot;", 0xB7, 0xFA}, {"&sup1;", 0xB9, 0xFB},
    {"&sup3;", 0xB3, 0xFC},   {"&sup2;", 0xB2, 0xFD},   {"&frac34;", 0xBE, 0x00},
};

// The box-drawing characters of code page 850 and their plain ASCII form in HTML.
constexpr std::uint8_t kBoxDrawing[][2] = {
    {0xB4, '+'}, {0xB9, '+'}, {0xBB, '+'}, {0xBC, '+'}, {0xBF, '+'}, {0xC0, '+'},
    {0xC1, '+'}, {0xC2, '+'}, {0xC3, '+'}, {0xC5, '+'}, {0xC8, '+'}, {0xC9, '+'},
    {0xCA, '+'}, {0xCB, '+'}, {0xCC, '+'}, {0xCE, '+'}, {0xD9, '+'}, {0xDA, '+'},
    {0xC4, '-'}, {0xCD, '-'}, {0xB3, '|'}, {0xBA, '|'},
};

// Dense lookup tables, built once: one branch per character at output time.
struct THtmlTables {
  const char* IsoEntity[256] = {};
  const char* OemEntity[256] = {};
  char OemBox[256] = {};
  THtmlTables() {
    for (const TEntity& e : kEntities) {
      if (e.Iso != 0) IsoEntity[e.Iso] = e.Text;
      if (e.Oem != 0) OemEntity[e.Oem] = e.Text;
    }
    for (const auto& box : kBoxDrawing) OemBox[box[0]] = static_cast<char>(box[1]);
  }
};

const THtmlTables& HtmlTables() {
  static const THtmlTables tables;
  return tables;
}

void WriteHexDigit(std::string& out, unsigned n) {
  out += static_cast<char>(n < 10 ? '0' + n : 'a' + (n - 10));
}

void AppendIpf(std::string& out, std::uint8_t ch, bool sourceIsIso, const TTextContext& context,
               const TCodePageTables& tables) {
  // The middle dot is 0xFA in code page 850 and 0xB7 in ISO; IPF text is code page 850.
  const std::uint8_t middleDot = sourceIsIso ? 0xB7 : 0xFA;
  if (ch == '.') {
    out += "&per.";
  } else if (ch == ':') {
    out += "&colon.";
  } else if (ch == '&') {
    out += "&amp.";
  } else if (ch == middleDot) {
    out += "&dot.";
  } else if (ch == ' ') {
    if (!context.AfterFontChange || context.InLineDrawingBlock) out += ' ';
  } else if (!sourceIsIso) {
    WriteOutputChar(out, ch);
  } else {
    // ISO text becomes code page 850; a character that code page 850 lacks becomes a blank.
    const std::uint8_t oem = tables.AnsiToOem[ch];
    if (oem == 0 && ch != 0) {
      out += ' ';
    } else {
      WriteOutputChar(out, oem);
    }
  }
}

int AppendRtf(std::string& out, std::uint8_t ch, bool sourceIsIso, const TCodePageTables& tables) {
  if (ch == 0x1A) return -1;
  if (ch >= 0x20 && ch <= 0x7F && ch != '{' && ch != '}' && ch != '\\') {
    out += static_cast<char>(ch);
    return -1;
  }
  std::uint8_t code = ch;
  if (!sourceIsIso) {
    // Windows-1252 has no box drawing, shades or no-break space at these codes: lines become
    // "+", "-" and "|", the rest a blank, as in HTML.
    const char box = HtmlTables().OemBox[code];
    if (box != 0) {
      code = static_cast<std::uint8_t>(box);
    } else {
      const std::uint8_t ansi = tables.OemToAnsi[code];
      code = (code >= 0x80 && ansi == code) ? ' ' : ansi;
    }
  }
  if (code < 0x20) return code;
  out += "\\'";
  WriteHexDigit(out, code >> 4);
  WriteHexDigit(out, code & 0x0F);
  return -1;
}

void AppendHtml(std::string& out, std::uint8_t ch, bool sourceIsIso, const TTextContext& context) {
  // Plain ASCII, by far the most of any text, goes straight through.
  if (ch < 0x80 && ch > ' ' && ch != '&' && ch != '<' && ch != '>' && ch != '"' && ch != 0x1A) {
    out.push_back(static_cast<char>(ch));
    return;
  }
  switch (ch) {
    case '&':
      out += "&amp;";
      return;
    case '<':
      out += "&lt;";
      return;
    case '>':
      out += "&gt;";
      return;
    case ' ':
      out += context.InTextPopup ? "&#32;" : " ";
      return;
    case '"':
      out += (context.InScriptString || context.InTextPopup) ? "\\\"" : "\"";
      return;
    default:
      break;
  }
  const THtmlTables& html = HtmlTables();
  if (sourceIsIso) {
    if (ch < 0x80) {
      WriteOutputChar(out, ch);
    } else if (html.IsoEntity[ch] != nullptr) {
      out += html.IsoEntity[ch];
    } else {
      // "&#" + decimal code + ";" (128..255: always three digits).
      out += "&#";
      out += static_cast<char>('0' + ch / 100);
      out += static_cast<char>('0' + ch / 10 % 10);
      out += static_cast<char>('0' + ch % 10);
      out += ';';
    }
    return;
  }
  if (ch == 0x15) {
    out += "&#167;";
  } else if (ch < 0x80) {
    WriteOutputChar(out, ch);
  } else if (html.OemEntity[ch] != nullptr) {
    out += html.OemEntity[ch];
  } else if (html.OemBox[ch] != 0) {
    out += html.OemBox[ch];
  } else {
    out += ' ';
  }
}

}  // namespace

void BuildCodePageTables(TCodePageTables& tables) {
  for (int c = 0; c < 256; ++c) tables.OemToAnsi[c] = static_cast<std::uint8_t>(c);
  for (const auto& pair : kOemToAnsiPairs) tables.OemToAnsi[pair[0]] = pair[1];
  tables.AnsiToOem.fill(0);
  // The first code that really maps to a character wins; an identity entry gives way to a
  // later real mapping (0xB0 is first itself, then the degree sign 0xF8).
  for (int j = 0; j < 256; ++j) {
    const std::uint8_t a = tables.OemToAnsi[j];
    if (tables.AnsiToOem[a] == 0 || tables.AnsiToOem[a] == a) {
      tables.AnsiToOem[a] = static_cast<std::uint8_t>(j);
    }
  }
}

const char* HtmlEntityOf(std::uint8_t code, bool sourceIsIso) {
  const THtmlTables& html = HtmlTables();
  return sourceIsIso ? html.IsoEntity[code] : html.OemEntity[code];
}

int AppendTargetChar(std::string& out, std::uint8_t ch, TConversionTarget target, bool sourceIsIso,
                     const TTextContext& context, const TCodePageTables& tables) {
  switch (target) {
    case TConversionTarget::Ipf:
      AppendIpf(out, ch, sourceIsIso, context, tables);
      return -1;
    case TConversionTarget::Rtf:
      return AppendRtf(out, ch, sourceIsIso, tables);
    case TConversionTarget::Html:
      AppendHtml(out, ch, sourceIsIso, context);
      return -1;
  }
  return -1;
}

TConversionTarget ConversionTargetOf(const FoundationRun& run) {
  const TTargetFlags& flags = run.Ini.TargetFlags;
  if (flags.Ipf) return TConversionTarget::Ipf;
  if (flags.RtfFamily) return TConversionTarget::Rtf;
  return TConversionTarget::Html;
}

namespace {

// Out of line: the message texts would otherwise weigh on every character written.
[[gnu::noinline]] void ReportRefusedChar(FoundationRun& run, int refused) {
  run.Reporter.ReportSourceError({MessageId::CharNotAllowedWithWinHelp, std::to_string(refused)},
                                 0);
}

}  // namespace

void WriteTargetChar(FoundationRun& run, std::string& out, std::uint8_t ch) {
  TCharConversionState& state = run.CharConversion;
  const int refused = AppendTargetChar(out, ch, ConversionTargetOf(run), run.Ini.SourceIsIso,
                                       state.Context, state.Tables);
  if (refused >= 0) ReportRefusedChar(run, refused);
  state.Context.AfterFontChange = false;
}

std::string LowerCaseCp850(std::string_view text) {
  return platform::to_lower(platform::CodePage::cp850, text);
}

bool ContainsText(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

}  // namespace skeldon
