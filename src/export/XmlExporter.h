// The XML document of a report, with the stylesheet "ParseCount.xsl" written beside it: one
// <event> element per row whose children are named after the column titles.
#pragma once

#include "export/Exporter.h"

namespace zl {

class CXmlExporter : public CExporter {
  public:
    static CXmlExporter* Instance();

    // Writes the document, then places the stylesheet into the same folder (see
    // PlaceStylesheet; a stylesheet that cannot be written does not fail the export).
    int Export(const std::string& path, const std::string& siteName,
               const std::vector<CountRecord>& rows, const std::vector<std::string>& columns,
               std::string* error = nullptr) override;

    // The whole document as text (empty when there are no rows).
    std::string Format(const std::string& siteName, const std::vector<CountRecord>& rows,
                       const std::vector<std::string>& columns) const;

    // What the last Export did with the stylesheet beside the document.
    enum class Stylesheet { None, Written, AlreadyOurs, UsersKept, Failed };
    Stylesheet LastStylesheet() const { return lastStylesheet_; }

  private:
    Stylesheet lastStylesheet_ = Stylesheet::None;
};

// Writes ParseCount.xsl beside the document when the folder has none or has ours already; a
// stylesheet of the user's own (any other content) is never replaced (UsersKept), so the
// caller can tell the user the document may show differently.
CXmlExporter::Stylesheet PlaceStylesheet(const std::string& documentPath);

// The stylesheet the document refers to (an XSLT 1.0 text).
const std::string& ParseCountStylesheet();
// Where the stylesheet of a document goes: "ParseCount.xsl" in the document's folder.
std::string StylesheetPathFor(const std::string& documentPath);

// An XML element name made from a column title: characters that may not stand in a name
// become "_", and a title that does not start like a name gets a leading "_". Empty -> "_".
std::string XmlElementName(const std::string& title);
// Character data: "&", "<", ">" escaped; characters XML does not allow and bytes that are not
// UTF-8 become U+FFFD.
std::string XmlText(const std::string& text);

}  // namespace zl
