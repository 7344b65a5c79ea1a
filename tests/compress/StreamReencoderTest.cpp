// Exact re-encoding: the JPEG and Deflate coders on data made here, the step
// on a small document through the lossless step, and on corpus files.

#include <gtest/gtest.h>

#include <atomic>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include <jpeglib.h>
#include <libdeflate.h>
#include <zlib.h>

#include "EngineTestSupport.h"
#include "compress/DeflateRecoder.h"
#include "compress/JpegTranscode.h"
#include "compress/ObjectSharing.h"
#include "compress/StreamReencoder.h"

#define POINTERHOLDER_TRANSITION 4
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>

using namespace enginetest;

namespace {

// A photo-like image (gradients and noise) written with the library's
// standard Huffman tables, as most producers write them.
std::string makeJpeg(int width, int height, int components, bool adobeMarker = false) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = width;
    info.image_height = height;
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&info);
    info.write_Adobe_marker = adobeMarker;
    jpeg_set_quality(&info, 80, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::mt19937 noise(7);
    std::vector<unsigned char> row(width * components);
    while (info.next_scanline < info.image_height) {
        for (int x = 0; x < width * components; ++x)
            row[x] = static_cast<unsigned char>((x * 3 + info.next_scanline * 2) / 3 + noise() % 24);
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string bytes(reinterpret_cast<char*>(out), size);
    std::free(out);
    return bytes;
}

// Every decoded sample, or empty when the library stops on an error.
struct JpegErrors {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};
std::vector<unsigned char> decodeJpeg(const std::string& bytes) {
    jpeg_decompress_struct info{};
    JpegErrors errors{};
    info.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = [](j_common_ptr c) {
        std::longjmp(reinterpret_cast<JpegErrors*>(c->err)->jump, 1);
    };
    std::vector<unsigned char> pixels;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return {};
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    size_t stride = info.output_width * info.output_components;
    pixels.resize(stride * info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW rows[] = {pixels.data() + stride * info.output_scanline};
        jpeg_read_scanlines(&info, rows, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return pixels;
}

std::string zlibCompress(const std::string& data, int level) {
    uLongf size = compressBound(data.size());
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size,
              reinterpret_cast<const Bytef*>(data.data()), data.size(), level);
    out.resize(size);
    return out;
}

std::string zlibDecompress(const std::string& data) {
    std::string out(1 << 20, '\0');
    uLongf size = out.size();
    if (uncompress(reinterpret_cast<Bytef*>(out.data()), &size,
                   reinterpret_cast<const Bytef*>(data.data()), data.size()) != Z_OK)
        return "(undecodable)";
    out.resize(size);
    return out;
}

// Page-content-like text: many repeats at varying distances.
std::string contentText() {
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += "BT /F1 " + std::to_string(9 + i % 4) + " Tf 72 " + std::to_string(700 - i % 50) +
                " Td (line " + std::to_string(i * 7919 % 1000) + ") Tj ET\n";
    return text;
}

std::string randomBytes(size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(n, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

// LZW with early change, codes kept at nine bits by a clear code before the
// table would widen them: valid for every reader, larger than the data.
std::string lzwEncode(const std::string& data) {
    std::string out;
    uint32_t bits = 0;
    int count = 0;
    auto put = [&](unsigned code) {
        bits = bits << 9 | code;
        count += 9;
        while (count >= 8) {
            out += static_cast<char>(bits >> (count - 8));
            count -= 8;
        }
    };
    put(256);
    for (size_t i = 0; i < data.size(); ++i) {
        if (i > 0 && i % 250 == 0) put(256);
        put(static_cast<unsigned char>(data[i]));
    }
    put(257);
    if (count > 0) out += static_cast<char>(bits << (8 - count));
    return out;
}

std::string stream(const std::string& dict, const std::string& bytes) {
    return "<< " + dict + " /Length " + std::to_string(bytes.size()) + " >>\nstream\n" + bytes +
           "\nendstream";
}

// The test document's streams by where the page uses them (the writer
// numbers objects anew): "Im1" an image, "0" the first content stream.
QPDFObjectHandle streamOf(QPDF& pdf, const std::string& use) {
    QPDFObjectHandle page = pdf.getAllPages().at(0);
    if (use.rfind("Im", 0) == 0) return page.getKey("/Resources").getKey("/XObject").getKey("/" + use);
    return page.getKey("/Contents").getArrayItem(std::stoi(use));
}

std::string bytesOf(const std::shared_ptr<Buffer>& data) {
    return {reinterpret_cast<const char*>(data->getBuffer()), data->getSize()};
}

std::string rawData(QPDF& pdf, const std::string& use) {
    return bytesOf(streamOf(pdf, use).getRawStreamData());
}

std::string filterOf(QPDF& pdf, const std::string& use) {
    return streamOf(pdf, use).getDict().getKey("/Filter").unparse();
}

Props reencodeOnly() {
    return {{u"shareObjects", u"false"}, {u"slimFonts", u"false"}};
}

}  // namespace

TEST(JpegTranscodeTest, SmallerWithTheSamePixelsAndMarkersOrLeftWhenDamaged) {
    struct Case {
        const char* name;
        std::string jpeg;
    } cases[] = {{"gray", makeJpeg(96, 80, 1)},
                 {"colour", makeJpeg(120, 64, 3)},
                 {"CMYK with an Adobe marker", makeJpeg(256, 192, 4, true)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (bool progressive : {false, true}) {
            std::optional<std::string> out = JpegTranscode(progressive).transcode(c.jpeg);
            ASSERT_TRUE(out);
            EXPECT_LT(out->size(), c.jpeg.size());
            EXPECT_TRUE(decodeJpeg(*out) == decodeJpeg(c.jpeg));
            EXPECT_FALSE(decodeJpeg(*out).empty());
            // The Adobe marker decides how readers take the four channels.
            EXPECT_EQ(out->find("Adobe") != std::string::npos,
                      c.jpeg.find("Adobe") != std::string::npos);
        }
    }
    std::string good = makeJpeg(96, 80, 3);
    std::string damaged = good.substr(0, good.size() / 2);
    EXPECT_FALSE(JpegTranscode().transcode(damaged));
    EXPECT_FALSE(JpegTranscode().transcode("not a JPEG at all"));
    EXPECT_FALSE(JpegTranscode().transcode(""));
    // A cancelled run ends inside the image, at the library's first progress report.
    std::atomic<bool> cancelled{true};
    EXPECT_FALSE(JpegTranscode(false, &cancelled).transcode(good));
}

TEST(DeflateRecoderTest, SameBytesInFewerOrNothingWhenDamaged) {
    DeflateRecoder recoder;
    std::string text = contentText();
    std::string fast = zlibCompress(text, 1);
    EXPECT_EQ(recoder.inflate(fast), text);
    std::string strong = recoder.deflate(text);
    EXPECT_LT(strong.size(), zlibCompress(text, 9).size());
    EXPECT_EQ(zlibDecompress(strong), text);
    std::string light = recoder.deflate(text, true);
    EXPECT_GT(light.size(), strong.size());
    EXPECT_EQ(zlibDecompress(light), text);
    // Bytes after the end of the data are ignored, as readers ignore them.
    EXPECT_EQ(recoder.inflate(fast + "\r\n"), text);

    std::string flipped = fast;
    flipped[flipped.size() / 2] ^= 0x55;
    EXPECT_FALSE(recoder.inflate(flipped));
    EXPECT_FALSE(recoder.inflate(fast.substr(0, fast.size() - 3)));  // no checksum
    EXPECT_FALSE(recoder.inflate("garbage that is not zlib"));
}

TEST(StreamReencoderTest, ThreadsAreTheCoresOtherFilesLeave) {
    struct {
        unsigned cores, busy, threads;
    } cases[] = {{2, 1, 2}, {2, 2, 1}, {2, 5, 1}, {8, 3, 6}, {1, 1, 1}, {4, 0, 4}, {0, 1, 1}};
    for (auto c : cases)
        EXPECT_EQ(StreamReencoder::threadsFor(c.cores, c.busy), c.threads)
            << c.cores << " cores, " << c.busy << " busy";
}

// One document with a stream of each case; the lossless step with only
// re-encoding on.
TEST(StreamReencoderTest, EachStreamInItsSmallestExactFormOrAsItWas) {
    EngineEnv env(Tools::Real);
    std::string jpeg = makeJpeg(160, 120, 3);
    std::string badJpeg = jpeg.substr(0, jpeg.size() * 2 / 3);
    std::string text = contentText();
    std::string flate = zlibCompress(text, 1);
    std::string badFlate = flate;
    badFlate[badFlate.size() / 2] ^= 0x55;
    std::string noise = randomBytes(3000, 2);
    std::string lzw = lzwEncode(text.substr(0, 20000));
    // Lines drawn at scattered points, already at libdeflate's strongest
    // level: the step's level would make them larger.
    std::string lines;
    for (int i = 0; i < 3000; ++i)
        lines += std::to_string(i * 7919 % 397) + " " + std::to_string(i % 97) + " m 0 0 l S\n";
    std::string strongest(lines.size() + 1024, '\0');
    libdeflate_compressor* level12 = libdeflate_alloc_compressor(12);
    strongest.resize(libdeflate_zlib_compress(level12, lines.data(), lines.size(),
                                              strongest.data(), strongest.size()));
    libdeflate_free_compressor(level12);
    ASSERT_GT(DeflateRecoder().deflate(lines).size(), strongest.size());
    std::string image = "/Type /XObject /Subtype /Image /Width 160 /Height 120 "
                        "/ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode";
    std::string in = env.add(
        "in.pdf",
        pdfFromObjects({
            "<< /Type /Catalog /Pages 2 0 R >>",
            "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
            "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 400 300] /Resources << /XObject << "
            "/Im1 5 0 R /Im2 6 0 R /Im3 8 0 R >> >> /Contents [4 0 R 7 0 R 9 0 R 10 0 R 11 0 R] >>",
            stream("/Filter /FlateDecode", flate),                       // 4
            stream(image, jpeg),                                        // 5
            stream(image, badJpeg),                                     // 6
            stream("/Filter /FlateDecode", badFlate),                   // 7
            stream("/Type /XObject /Subtype /Image /Width 60 /Height 50 /ColorSpace "
                   "/DeviceGray /BitsPerComponent 8",
                   noise),                                              // 8
            stream("/Filter /LZWDecode", lzw),                          // 9
            stream("", "q 160 0 0 120 0 0 cm /Im1 Do Q q 160 0 0 120 200 0 cm /Im2 Do Q "
                       "q 60 0 0 50 0 200 cm /Im3 Do Q"),                // 10
            stream("/Filter /FlateDecode", strongest),                  // 11
        }));
    std::string out = env.path("out.pdf");
    ASSERT_TRUE(ObjectSharing::run(z(in), z(out), reencodeOnly()));

    QPDF before;
    before.processFile(in.c_str());
    QPDF after;
    after.processFile(out.c_str());
    // Contents: 0 Flate, 1 damaged Flate, 2 LZW, 3 plain, 4 Flate that would grow.
    EXPECT_LT(rawData(after, "Im1").size(), jpeg.size());
    EXPECT_TRUE(decodeJpeg(rawData(after, "Im1")) == decodeJpeg(jpeg));
    EXPECT_EQ(filterOf(after, "Im1"), "/DCTDecode");
    EXPECT_TRUE(rawData(after, "Im2") == badJpeg);
    EXPECT_LT(rawData(after, "0").size(), flate.size());
    EXPECT_TRUE(zlibDecompress(rawData(after, "0")) == text);
    EXPECT_TRUE(rawData(after, "1") == badFlate);
    EXPECT_TRUE(rawData(after, "4") == strongest);
    EXPECT_EQ(filterOf(after, "2"), "/FlateDecode");
    EXPECT_TRUE(zlibDecompress(rawData(after, "2")) == text.substr(0, 20000));
    // Noise: Deflate would make it larger, so it is written as the writer
    // chooses and decodes as before. (The damaged streams keep qpdf --check
    // from being clean here; the corpus test checks.)
    EXPECT_TRUE(bytesOf(streamOf(after, "Im3").getStreamData()) ==
                bytesOf(streamOf(before, "Im3").getStreamData()));
    for (const char* tool : {"pdftoppm", "pdftocairo"})
        EXPECT_EQ(renderedPages(tool, in, 36), renderedPages(tool, out, 36)) << tool;

    Props off = reencodeOnly();
    off[u"reencode"] = u"false";
    EXPECT_FALSE(ObjectSharing::run(z(in), z(env.path("off.pdf")), off));
    env.setConfig("compress.reencode", "false");
    EXPECT_FALSE(ObjectSharing::run(z(in), z(env.path("off2.pdf")), reencodeOnly()));
}

TEST(StreamReencoderTest, StreamsNotStartedByTheTimeLimitOrACancelStayAsTheyWere) {
    EngineEnv env(Tools::Real);
    std::string flate = zlibCompress(contentText(), 1);
    std::string in = env.add("in.pdf", pdfFromObjects({
                                           "<< /Type /Catalog /Pages 2 0 R >>",
                                           "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                           "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 400 300] "
                                           "/Contents [4 0 R] >>",
                                           stream("/Filter /FlateDecode", flate),
                                       }));
    QPDF pdf;
    pdf.processFile(in.c_str());
    std::vector<QPDFObjectHandle> objects = ObjectSharing::objectsOf(pdf);
    StreamReencoder late(objects, 0.0, false);
    std::string line = late.run();
    EXPECT_EQ(late.reencoded(), 0u) << line;
    EXPECT_NE(line.find("time limit reached with 1 streams left"), std::string::npos) << line;
    EXPECT_TRUE(rawData(pdf, "0") == flate);

    std::atomic<bool> cancelled{true};
    StreamReencoder stopped(objects, 60.0, false, &cancelled);
    EXPECT_EQ(stopped.run(), "Re-encoding cancelled");
    EXPECT_EQ(stopped.reencoded(), 0u);
    EXPECT_TRUE(rawData(pdf, "0") == flate);

    StreamReencoder timely(objects, 60.0, false);
    line = timely.run();
    EXPECT_EQ(timely.reencoded(), 1u) << line;
    EXPECT_EQ(timely.totals(StreamReencoder::Kind::Flate).before, flate.size());
    EXPECT_EQ(timely.totals(StreamReencoder::Kind::Flate).after, rawData(pdf, "0").size());
}

// Every page of corpus files with JPEG and Flate images renders the same
// with and without re-encoding. Rendering at 36 dpi takes long in the
// sanitizer build, which the tests above cover.
TEST(StreamReencoderCorpusTest, PagesRenderBitIdenticalWithAndWithoutReencoding) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "rendering corpus files at 36 dpi is too slow under the sanitizers";
#endif
    std::string corpus = corpusFolder();
    if (corpus.empty()) GTEST_SKIP() << "no corpus (../shared/corpus or $VARTO_CORPUS)";
    EngineEnv env(Tools::Real);
    for (const char* name : {"scan-photos-color-jpeg.pdf", "lin-simh-faq.pdf"}) {
        SCOPED_TRACE(name);
        std::string in = corpus + "/" + name;
        std::string with = env.path(std::string("with-") + name);
        std::string without = env.path(std::string("without-") + name);
        ASSERT_TRUE(ObjectSharing::run(z(in), z(with), {}));
        Props off;
        off[u"reencode"] = u"false";
        ObjectSharing::run(z(in), z(without), off);
        if (!std::filesystem::exists(without)) without = in;  // nothing to share or slim
        EXPECT_LT(std::filesystem::file_size(with), std::filesystem::file_size(without));
        EXPECT_EQ(shellOutput("qpdf --check \"" + with + "\" >/dev/null; echo $?"), "0\n");
        for (const char* tool : {"pdftoppm", "pdftocairo"})
            EXPECT_EQ(renderedPages(tool, without, 36), renderedPages(tool, with, 36)) << tool;
    }
}
