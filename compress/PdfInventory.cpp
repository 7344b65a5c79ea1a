#include "compress/PdfInventory.h"

#define POINTERHOLDER_TRANSITION 4

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFMatrix.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "compress/ObjectSharing.h"
#include "compress/TempFiles.h"

namespace {

int64_t storedLength(QPDFObjectHandle stream) {
    QPDFObjectHandle length = stream.getDict().getKey("/Length");
    return length.isInteger() ? length.getIntValue() : 0;
}

int intKey(QPDFObjectHandle dict, const char* key, int fallback) {
    QPDFObjectHandle value = dict.getKey(key);
    return value.isInteger() ? value.getIntValueAsInt() : fallback;
}

// The outermost filter is the last one of the list: it is what the image's
// bytes are compressed with.
PdfInventory::Encoding encodingOf(QPDFObjectHandle dict) {
    QPDFObjectHandle filter = dict.getKey("/Filter");
    if (filter.isArray() && filter.getArrayNItems() > 0)
        filter = filter.getArrayItem(filter.getArrayNItems() - 1);
    std::string name = filter.isName() ? filter.getName() : std::string();
    if (name == "/DCTDecode" || name == "/DCT") return PdfInventory::Encoding::Jpeg;
    if (name == "/JPXDecode") return PdfInventory::Encoding::Jpeg2000;
    if (name == "/CCITTFaxDecode" || name == "/CCF") return PdfInventory::Encoding::Fax;
    if (name == "/JBIG2Decode") return PdfInventory::Encoding::Jbig2;
    return PdfInventory::Encoding::Lossless;
}

// The start of a stream as stored: a JPEG's tables come before its scan.
std::string headOf(QPDFObjectHandle stream) {
    std::shared_ptr<Buffer> data = stream.getRawStreamData();
    size_t size = std::min<size_t>(data->getSize(), 4096);
    return std::string(reinterpret_cast<const char*>(data->getBuffer()), size);
}

int componentsOf(QPDFObjectHandle space) {
    if (space.isArray() && space.getArrayNItems() > 0) {
        QPDFObjectHandle family = space.getArrayItem(0);
        if (family.isNameAndEquals("/ICCBased") && space.getArrayNItems() > 1 &&
            space.getArrayItem(1).isStream())
            return std::max(1, intKey(space.getArrayItem(1).getDict(), "/N", 3));
        space = family;
    }
    if (space.isNameAndEquals("/DeviceRGB") || space.isNameAndEquals("/CalRGB") ||
        space.isNameAndEquals("/Lab"))
        return 3;
    if (space.isNameAndEquals("/DeviceCMYK")) return 4;
    return 1;
}

bool isSubsetName(const std::string& name) {
    // "/ABCDEF+Name"
    if (name.size() < 8 || name[7] != '+') return false;
    return std::all_of(name.begin() + 1, name.begin() + 7, [](char c) { return c >= 'A' && c <= 'Z'; });
}

// Follows a page's content the way a renderer places images: the graphics
// state stack, "cm" and the forms it draws, noting the resolution each
// image is drawn at.
class PlacementReader : public QPDFObjectHandle::ParserCallbacks {
public:
    PlacementReader(std::map<QPDFObjGen, PdfInventory::Image*>& images, QPDFObjectHandle resources,
                    QPDFMatrix ctm, int depth, std::set<std::string>& formsSeen)
        : images_(images), resources_(resources), ctm_(ctm), depth_(depth), formsSeen_(formsSeen) {}

    void handleObject(QPDFObjectHandle object) override {
        if (!object.isOperator()) {
            operands_.push_back(object);
            return;
        }
        std::string op = object.getOperatorValue();
        if (op == "q") {
            stack_.push_back(ctm_);
        } else if (op == "Q") {
            if (!stack_.empty()) {
                ctm_ = stack_.back();
                stack_.pop_back();
            }
        } else if (op == "cm" && operands_.size() == 6) {
            double m[6];
            bool numbers = true;
            for (int i = 0; i < 6; ++i) numbers = numbers && operands_[i].getValueAsNumber(m[i]);
            if (numbers) ctm_.concat(QPDFMatrix(m[0], m[1], m[2], m[3], m[4], m[5]));
        } else if (op == "Do" && operands_.size() == 1 && operands_[0].isName()) {
            draw(operands_[0].getName());
        }
        operands_.clear();
    }

    void handleEOF() override {}

private:
    void draw(const std::string& name) {
        if (!resources_.isDictionary()) return;
        QPDFObjectHandle xobjects = resources_.getKey("/XObject");
        if (!xobjects.isDictionary()) return;
        QPDFObjectHandle xobject = xobjects.getKey(name);
        if (!xobject.isStream()) return;
        QPDFObjectHandle dict = xobject.getDict();
        QPDFObjectHandle subtype = dict.getKey("/Subtype");
        if (subtype.isNameAndEquals("/Image")) {
            auto it = images_.find(xobject.getObjGen());
            if (it == images_.end()) return;
            double across = std::hypot(ctm_.a, ctm_.b) / 72.0;
            double down = std::hypot(ctm_.c, ctm_.d) / 72.0;
            if (across <= 0 || down <= 0) return;
            double dpi = std::min(it->second->width / across, it->second->height / down);
            it->second->drawnDpi = std::max(it->second->drawnDpi, dpi);
        } else if (subtype.isNameAndEquals("/Form") && depth_ < 8) {
            QPDFMatrix ctm = ctm_;
            QPDFObjectHandle matrix = dict.getKey("/Matrix");
            if (matrix.isMatrix()) ctm.concat(QPDFMatrix(matrix.getArrayAsMatrix()));
            // A form drawn again at the same scale places its images alike.
            char key[160];
            std::snprintf(key, sizeof key, "%d %d %.3g %.3g %.3g %.3g", xobject.getObjectID(),
                          xobject.getGeneration(), ctm.a, ctm.b, ctm.c, ctm.d);
            if (!formsSeen_.insert(key).second) return;
            QPDFObjectHandle resources = dict.getKey("/Resources");
            PlacementReader inner(images_, resources.isDictionary() ? resources : resources_, ctm,
                                  depth_ + 1, formsSeen_);
            xobject.parseAsContents(&inner);
        }
    }

    std::map<QPDFObjGen, PdfInventory::Image*>& images_;
    QPDFObjectHandle resources_;
    QPDFMatrix ctm_;
    int depth_;
    std::set<std::string>& formsSeen_;
    std::vector<QPDFObjectHandle> operands_;
    std::vector<QPDFMatrix> stack_;
};

// True when the page's resources name any external object: only then can
// its content draw an image, and only then is it worth parsing.
bool drawsObjects(QPDFPageObjectHelper& page) {
    QPDFObjectHandle resources = page.getAttribute("/Resources", false);
    if (!resources.isDictionary()) return false;
    QPDFObjectHandle xobjects = resources.getKey("/XObject");
    return xobjects.isDictionary() && !xobjects.getKeys().empty();
}

}  // namespace

PdfInventory::PdfInventory() = default;
PdfInventory::~PdfInventory() = default;

int PdfInventory::jpegQualityOf(const std::string& jpeg) {
    static const int kLuminance[64] = {
        16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
        14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
        18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
        49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
    auto byte = [&](size_t i) { return static_cast<unsigned char>(jpeg[i]); };
    if (jpeg.size() < 4 || byte(0) != 0xFF || byte(1) != 0xD8) return -1;
    size_t at = 2;
    while (at + 4 <= jpeg.size() && byte(at) == 0xFF) {
        unsigned marker = byte(at + 1);
        size_t length = (byte(at + 2) << 8) | byte(at + 3);
        if (marker == 0xDA || length < 2) break;  // the scan starts: no table came
        if (marker == 0xDB && at + 5 + 64 <= jpeg.size()) {
            bool wide = (byte(at + 4) >> 4) != 0;
            double sum = 0;
            int reference = 0;
            for (int i = 0; i < 64; ++i) {
                size_t p = at + 5 + (wide ? 2 * i : i);
                if (p + 1 >= jpeg.size()) return -1;
                sum += wide ? ((byte(p) << 8) | byte(p + 1)) : byte(p);
                reference += kLuminance[i];
            }
            // The inverse of the common library's table scaling.
            double scale = sum * 100.0 / reference;
            double quality = scale <= 100 ? (200 - scale) / 2 : 5000 / scale;
            return std::clamp(static_cast<int>(std::lround(quality)), 1, 100);
        }
        at += 2 + length;
    }
    return -1;
}

bool PdfInventory::read(const ZString& path) {
    images.clear();
    fonts.clear();
    contentBytes = 0;
    placementsRead = true;
    try {
        pdf_ = std::make_unique<QPDF>();
        pdf_->setSuppressWarnings(true);
        pdf_->processFile(path.toUtf8().c_str());
        if (pdf_->isEncrypted()) return false;
        fileBytes = fileSize(path);

        std::map<QPDFObjGen, size_t> imageIndex;
        std::set<QPDFObjGen> fontPrograms;
        for (QPDFObjectHandle object : ObjectSharing::objectsOf(*pdf_)) {
            if (object.isStream()) {
                QPDFObjectHandle dict = object.getDict();
                if (dict.getKey("/Subtype").isNameAndEquals("/Form")) contentBytes += storedLength(object);
                if (!dict.getKey("/Subtype").isNameAndEquals("/Image")) continue;
                Image image;
                image.objectId = object.getObjectID();
                image.generation = object.getGeneration();
                image.bytes = storedLength(object);
                image.width = intKey(dict, "/Width", 0);
                image.height = intKey(dict, "/Height", 0);
                bool mask = dict.getKey("/ImageMask").isBool() && dict.getKey("/ImageMask").getBoolValue();
                image.bitsPerComponent = mask ? 1 : intKey(dict, "/BitsPerComponent", 8);
                QPDFObjectHandle space = dict.getKey("/ColorSpace");
                image.indexed = space.isArray() && space.getArrayNItems() > 0 &&
                                space.getArrayItem(0).isNameAndEquals("/Indexed");
                image.components = mask || image.indexed ? 1 : componentsOf(space);
                image.encoding = encodingOf(dict);
                if (image.encoding == Encoding::Jpeg && dict.getKey("/Filter").isName())
                    image.jpegQuality = jpegQualityOf(headOf(object));
                imageIndex[object.getObjGen()] = images.size();
                images.push_back(image);
            } else if (object.isDictionary() &&
                       object.getKey("/Type").isNameAndEquals("/FontDescriptor")) {
                for (const char* key : {"/FontFile", "/FontFile2", "/FontFile3"}) {
                    QPDFObjectHandle program = object.getKey(key);
                    if (!program.isStream() || !fontPrograms.insert(program.getObjGen()).second)
                        continue;
                    QPDFObjectHandle name = object.getKey("/FontName");
                    fonts.push_back({storedLength(program),
                                     name.isName() ? isSubsetName(name.getName()) : true});
                }
            }
        }

        std::map<QPDFObjGen, Image*> byObject;
        for (auto& [og, index] : imageIndex) byObject[og] = &images[index];
        std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(*pdf_).getAllPages();
        pageCount = static_cast<int>(pages.size());
        std::set<std::string> formsSeen;
        std::set<QPDFObjGen> contents;
        for (QPDFPageObjectHelper& page : pages) {
            QPDFObjectHandle content = page.getObjectHandle().getKey("/Contents");
            std::vector<QPDFObjectHandle> parts =
                content.isArray() ? content.getArrayAsVector() : std::vector<QPDFObjectHandle>{content};
            for (QPDFObjectHandle part : parts)
                if (part.isStream() && contents.insert(part.getObjGen()).second)
                    contentBytes += storedLength(part);
        }
        for (QPDFPageObjectHelper& page : pages) {
            if (byObject.empty()) break;
            if (!drawsObjects(page)) continue;
            try {
                PlacementReader reader(byObject, page.getAttribute("/Resources", false),
                                       QPDFMatrix(), 0, formsSeen);
                page.parseContents(&reader);
            } catch (const std::exception&) {
                placementsRead = false;
            }
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}
