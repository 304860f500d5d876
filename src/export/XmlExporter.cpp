#include "export/XmlExporter.h"

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/AtomicFile.h"

namespace zl {

namespace {

// Decodes one UTF-8 sequence at s[i]; answers the code point and its length, or -1 for a
// malformed sequence (length 1 then).
int32_t DecodeUtf8(const std::string& s, size_t i, size_t& len) {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    len = 1;
    if (c < 0x80) return c;
    int extra;
    int32_t cp;
    if ((c & 0xE0) == 0xC0) {
        extra = 1;
        cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        extra = 2;
        cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        extra = 3;
        cp = c & 0x07;
    } else {
        return -1;
    }
    if (i + extra >= s.size()) return -1;
    for (int k = 1; k <= extra; ++k) {
        if ((b(i + k) & 0xC0) != 0x80) return -1;
        cp = (cp << 6) | (b(i + k) & 0x3F);
    }
    static const int32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
    len = static_cast<size_t>(extra) + 1;
    return cp;
}

// XML 1.0 (fifth edition) name characters. ':' is left out on purpose: it would make the
// name a namespace prefix.
bool IsNameStart(int32_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
           (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
           (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) ||
           (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
           (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
           (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0xEFFFF);
}

bool IsNameChar(int32_t c) {
    return IsNameStart(c) || c == '-' || c == '.' || (c >= '0' && c <= '9') || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

bool IsXmlChar(int32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

void AppendTime(std::string& out, const RowTime& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%02d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    out += text;
}

void AppendElement(std::string& out, const std::string& name, const std::string& text) {
    out += '<';
    out += name;
    out += '>';
    out += text;
    out += "</";
    out += name;
    out += ">\r\n";
}

const char kStylesheet[] =
    R"XSL(<?xml version="1.0" encoding="UTF-8"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
<xsl:output method="html" encoding="UTF-8" indent="yes"/>
<xsl:template match="/">
<html>
<head><title>Counting report</title></head>
<body>
<xsl:for-each select="Counting/dataevents">
<p>Sitename: <xsl:value-of select="camera"/></p>
<p>Report date: <xsl:value-of select="date"/></p>
<table border="1" cellspacing="0" cellpadding="3">
<tr>
<th>Start Time</th>
<th>End Time</th>
<xsl:for-each select="event[1]/*[position() &gt; 2]">
<th><xsl:value-of select="translate(name(), '_', ' ')"/></th>
</xsl:for-each>
</tr>
<xsl:for-each select="event">
<tr>
<xsl:for-each select="*">
<td><xsl:value-of select="."/></td>
</xsl:for-each>
</tr>
</xsl:for-each>
</table>
</xsl:for-each>
</body>
</html>
</xsl:template>
</xsl:stylesheet>
)XSL";

}  // namespace

const std::string& ParseCountStylesheet() {
    static const std::string text = kStylesheet;
    return text;
}

std::string StylesheetPathFor(const std::string& documentPath) {
    const size_t cut = documentPath.find_last_of("/\\");
    if (cut == std::string::npos) return "ParseCount.xsl";
    return documentPath.substr(0, cut + 1) + "ParseCount.xsl";
}

std::string XmlElementName(const std::string& title) {
    std::string name;
    size_t i = 0;
    bool first = true;
    while (i < title.size()) {
        size_t len;
        const int32_t c = DecodeUtf8(title, i, len);
        if (first && c >= 0 && !IsNameStart(c) && IsNameChar(c)) name += '_';
        if (c >= 0 && (first ? IsNameStart(c) || IsNameChar(c) : IsNameChar(c)))
            name.append(title, i, len);
        else
            name += '_';
        first = false;
        i += len;
    }
    return name.empty() ? "_" : name;
}

std::string XmlText(const std::string& text) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        size_t len;
        const int32_t c = DecodeUtf8(text, i, len);
        if (c < 0 || !IsXmlChar(c)) {
            out += "\xEF\xBF\xBD";
        } else if (c == '&') {
            out += "&amp;";
        } else if (c == '<') {
            out += "&lt;";
        } else if (c == '>') {
            out += "&gt;";
        } else {
            out.append(text, i, len);
        }
        i += len;
    }
    return out;
}

CXmlExporter* CXmlExporter::Instance() {
    static CXmlExporter exporter;
    return &exporter;
}

std::string CXmlExporter::Format(const std::string& siteName, const std::vector<CountRecord>& rows,
                                 const std::vector<std::string>& columns) const {
    if (rows.empty()) return {};
    const size_t ncol = columns.size();
    std::vector<std::string> names;
    names.reserve(ncol);
    for (const std::string& title : columns) names.push_back(XmlElementName(title));

    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        "<?xml-stylesheet type=\"text/xsl\" href=\"ParseCount.xsl\"?>\r\n"
        "<Counting>\r\n<dataevents>\r\n";
    out += "<camera>" + XmlText(siteName) + "</camera>\r\n";
    out += "<date>" + XmlText(ReportTime()) + "</date>\r\n";
    char number[32];
    for (const CountRecord& r : rows) {
        out += "<event>";
        std::string time;
        if (ncol > 0) {
            AppendTime(time, RowFrom(r));
            AppendElement(out, names[0], time);
        }
        if (ncol > 1) {
            time.clear();
            AppendTime(time, RowTo(r));
            AppendElement(out, names[1], time);
        }
        for (size_t c = 2; c < ncol; ++c) {
            std::snprintf(number, sizeof number, "%" PRIu32, c - 2 < 10 ? r.values[c - 2] : 0);
            AppendElement(out, names[c], number);
        }
        out += "</event>";
    }
    out += "</dataevents>\r\n</Counting>";
    return out;
}

int CXmlExporter::Export(const std::string& path, const std::string& siteName,
                         const std::vector<CountRecord>& rows,
                         const std::vector<std::string>& columns, std::string* error) {
    if (rows.empty()) return 1;
    if (!zl::WriteFileAtomically(path, Format(siteName, rows, columns), error)) return 0;
    // The document refers to the stylesheet by a relative name, so it goes beside it. Without
    // it the document is still complete; a browser then shows the plain tree.
    lastStylesheet_ = PlaceStylesheet(path);
    return 1;
}

CXmlExporter::Stylesheet PlaceStylesheet(const std::string& documentPath) {
    using Stylesheet = CXmlExporter::Stylesheet;
    const std::string target = StylesheetPathFor(documentPath);
    std::error_code ec;
    if (std::filesystem::exists(target, ec) || ec) {
        // Something is there (or cannot be looked at): only our own text may be rewritten.
        std::ifstream in(target, std::ios::binary);
        std::ostringstream held;
        if (in) held << in.rdbuf();
        return in && held.str() == ParseCountStylesheet() ? Stylesheet::AlreadyOurs
                                                          : Stylesheet::UsersKept;
    }
    return zl::WriteFileAtomically(target, ParseCountStylesheet()) ? Stylesheet::Written
                                                                   : Stylesheet::Failed;
}

}  // namespace zl
