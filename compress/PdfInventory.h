#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "base/ZString.h"

class QPDF;

// What a PDF holds that decides whether re-encoding can make it smaller:
// its images (how they are stored and at what resolution the pages draw
// them) and its embedded font programs. Read in process with libqpdf.
class PdfInventory {
public:
    enum class Encoding { Jpeg, Jpeg2000, Fax, Jbig2, Lossless };

    struct Image {
        int objectId = 0;
        int generation = 0;
        int64_t bytes = 0;  // the stream as stored
        int width = 0;
        int height = 0;
        int bitsPerComponent = 8;
        int components = 1;    // colour components; 1 for masks and palettes
        bool indexed = false;  // a palette: re-encoded losslessly, not as JPEG
        Encoding encoding = Encoding::Lossless;
        int jpegQuality = -1;  // estimated from the quantisation table; -1 unknown
        double drawnDpi = 0;   // the highest resolution a page draws it at; 0 not found
    };

    struct Font {
        int64_t bytes = 0;
        bool subset = true;  // the name carries a six-letter subset tag
    };

    PdfInventory();
    ~PdfInventory();
    PdfInventory(const PdfInventory&) = delete;
    PdfInventory& operator=(const PdfInventory&) = delete;

    // False when libqpdf cannot read the file or it is encrypted.
    bool read(const ZString& path);

    int64_t fileBytes = 0;
    int pageCount = 0;
    std::vector<Image> images;
    std::vector<Font> fonts;
    int64_t contentBytes = 0;  // page contents and forms, as stored
    bool placementsRead = true;  // false when a page's content could not be parsed

    // The opened document, for writing a sample of its pages.
    QPDF& document() { return *pdf_; }

    // IJG quality (1-100) of a baseline JPEG from its first quantisation
    // table; -1 when the stream has none.
    static int jpegQualityOf(const std::string& jpeg);

private:
    std::unique_ptr<QPDF> pdf_;
};
