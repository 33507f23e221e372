// The EXIF model against exiftool (driven by exif_oracle.sh): files that
// exiftool wrote are read, dumped for comparison, packed and unpacked, and a
// picture saved through our writers gets their EXIF data embedded.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "fileio/canvas_write.h"
#include "fileio/exif_blob.h"
#include "fileio/exif_file.h"
#include "fileio/plugin_read.h"
#include "fileio/plugin_registry.h"
#include "fileio/plugin_write.h"
#include "fileio_fixture.h"
#include "image/vms_store.h"

namespace {

struct DumpContext {
    FILE* out;
    const char* group;
};

// One line an entry: group, tag, type, values as exiftool -n prints them
// (rationals as decimals; UNDEFINED both as numbers and as characters).
void DumpEntry(const c_IfdEntry* e, FILE* out, const char* group) {
    fprintf(out, "%s\t%d\t%d\t", group, e->tag, e->type);
    const size_t n = (size_t)e->count;
    if (e->type == TiffAscii) {
        for (size_t i = 0; i < n && i < e->values.size() && e->values[i]; ++i) fputc((int)e->values[i], out);
    } else if (e->type == TiffUndefined) {
        for (size_t i = 0; i < n && i < e->values.size() && i < 64; ++i) fprintf(out, "%s%u", i ? " " : "", e->values[i]);
        fprintf(out, "\t");
        for (size_t i = 0; i < n && i < e->values.size() && i < 64; ++i)
            fputc(e->values[i] >= 32 && e->values[i] < 127 ? (int)e->values[i] : '.', out);
    } else if (e->type == TiffRational || e->type == TiffSRational) {
        for (size_t i = 0; i < n; ++i) {
            double a = e->type == TiffRational ? (double)e->values[2 * i] : (double)(int32_t)e->values[2 * i];
            double b = e->type == TiffRational ? (double)e->values[2 * i + 1] : (double)(int32_t)e->values[2 * i + 1];
            fprintf(out, "%s%.12g", i ? " " : "", b == 0 ? 0.0 : a / b);
        }
    } else {
        for (size_t i = 0; i < n && i < e->values.size(); ++i)
            fprintf(out, e->type == TiffSLong ? "%s%d" : "%s%u", i ? " " : "", e->values[i]);
    }
    fprintf(out, "\n");
}

int DumpCallback(const c_IfdEntry* e, void* user) {
    DumpContext* c = (DumpContext*)user;
    DumpEntry(e, c->out, c->group);
    return 1;
}

void Dump(c_ExifFile& exif, const std::string& path) {
    FILE* out = fopen(path.c_str(), "w");
    ASSERT_NE(nullptr, out);
    std::pair<c_Ifd*, const char*> ifds[] = {{&exif.Ifd0(), "IFD0"}, {&exif.Exif(), "ExifIFD"},
                                             {&exif.Interop(), "InteropIFD"}, {&exif.Gps(), "GPS"},
                                             {&exif.Ifd1(), "IFD1"}};
    for (auto& [ifd, group] : ifds) {
        DumpContext c = {out, group};
        ifd->EnumEntries(DumpCallback, &c);
    }
    fclose(out);
}

TEST(ExifOracle, ReadPackAndEmbed) {
    const char* dir = getenv("DARNA_EXIF_DIR");
    if (!dir) GTEST_SKIP() << "run by exif_oracle.sh";
    fiotest::ProgramFolder folder;
    ASSERT_TRUE(folder.AddRealPlugins());
    ASSERT_EQ(1, folder.Init());
    std::ifstream list(std::string(dir) + "\\files.txt");
    std::string name;
    int files = 0;
    while (list >> name) {
        SCOPED_TRACE(name);
        ++files;
        const std::string path = std::string(dir) + "\\" + name;
        c_ExifFile exif;
        ASSERT_EQ(0, exif.Load(path.c_str()));
        Dump(exif, path + ".dump");
        // Pack, unpack, pack is byte-stable; the blob of the file is the same.
        std::vector<uint8_t> blob((size_t)exif.Pack(nullptr));
        exif.Pack(blob.data());
        c_ExifFile again;
        ASSERT_EQ(0, again.Unpack(blob.data(), blob.size()));
        std::vector<uint8_t> twice((size_t)again.Pack(nullptr));
        again.Pack(twice.data());
        EXPECT_EQ(blob, twice);
        int32_t size = 0;
        HGLOBAL handle = ReadExifBlob(path.c_str(), &size);
        ASSERT_NE(nullptr, handle);
        const uint8_t* read = (const uint8_t*)GlobalLock(handle);
        EXPECT_EQ(blob, std::vector<uint8_t>(read, read + size));

        // exiftool put a 64 x 48 thumbnail into the JPEG files: the open
        // dialog's quick preview is that thumbnail.
        const bool jpeg = name.find(".jpg") != std::string::npos;
        if (jpeg) {
            PackedDib thumb = ReadFastImage(nullptr, path.c_str());
            ASSERT_NE(nullptr, thumb);
            EXPECT_EQ(64, thumb->biWidth);
            EXPECT_EQ(48, thumb->biHeight < 0 ? -thumb->biHeight : thumb->biHeight);
            FreePackedDib(thumb);
        }

        // A new picture saved with our writer, then the EXIF data embedded.
        const std::string saved = path.substr(0, path.size() - 4) + "_saved" + (jpeg ? ".jpg" : ".tif");
        VmsImage* picture = fiotest::MakeSmooth(320, 240);
        const char* dll = WriterPluginPath(FindWriterPlugin(saved.c_str()));
        ASSERT_NE(nullptr, dll);
        ASSERT_NE(0, WriteImageWithPlugin(picture, saved.c_str(), dll));
        EXPECT_EQ(0, EmbedExifWithThumbnail(saved.c_str(), picture, read, (size_t)size,
                                            jpeg ? ExifEmbedJpeg : ExifEmbedTiff));
        g_VmsStore.Free(&picture);
        GlobalUnlock(handle);
        FreeExifBlob(&handle);
        EXPECT_EQ(nullptr, handle);
    }
    EXPECT_GE(files, 4);
}

}  // namespace
