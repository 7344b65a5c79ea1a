#include "compress/PageCount.h"

#include <exception>

// Use the library's current smart-pointer interface without the transition warning.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>

int64_t pdfPageCount(const ZString& path, const ZString& password) {
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processFile(path.toUtf8().c_str(),
                        password.isEmpty() ? nullptr : password.toUtf8().c_str());
        return static_cast<int64_t>(pdf.getAllPages().size());
    } catch (const std::exception&) {
        return -1;
    }
}

bool pdfIsEncrypted(const ZString& path) {
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processFile(path.toUtf8().c_str());
        return pdf.isEncrypted();
    } catch (const std::exception&) {
        return true;
    }
}
