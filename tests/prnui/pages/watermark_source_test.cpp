// Where the preview's bitmap may come from: a network path from the document settings is
// never opened unless the user chose it with Browse, sizes are looked at before reading,
// and "too big" is told once per file.
#include <gtest/gtest.h>

#include "common/byte_reader.h"
#include "platform/sim/sim_machine.h"
#include "prnui/pages/watermark_model.h"

namespace k20::prnui {
namespace {

const std::string kWorking = "C:\\Users\\user\\AppData\\Local\\Temp\\K-201.bmp";

std::vector<uint8_t> TrueColor(int32_t w, int32_t h) {
    const uint32_t stride = (3 * uint32_t(w) + 3) / 4 * 4;
    std::vector<uint8_t> f;
    LeWriter wr(f);
    wr.u16(0x4D42).u32(54 + stride * uint32_t(h)).u32(0).u32(54);
    wr.u32(40).i32(w).i32(h).u16(1).u16(24).zeros(24);
    f.resize(54 + size_t(stride) * size_t(h), 0x80);
    return f;
}

TEST(WatermarkNetworkPath, Forms) {
    for (std::u16string_view p : {u"\\\\server\\share\\x.bmp", u"//server/share/x.bmp", u"\\/server\\x.bmp",
                                  u"\\\\?\\UNC\\server\\share\\x.bmp", u"\\\\.\\pipe\\x",
                                  u"\\\\?\\GLOBALROOT\\x", u"\\\\?\\1:\\x.bmp"})
        EXPECT_TRUE(IsNetworkPath(p)) << std::string(p.begin(), p.end());
    for (std::u16string_view p :
         {u"C:\\x.bmp", u"c:/x.bmp", u"\\x.bmp", u"x.bmp", u"", u"\\\\?\\C:\\x.bmp", u"\\\\.\\d:\\x.bmp"})
        EXPECT_FALSE(IsNetworkPath(p)) << std::string(p.begin(), p.end());
}

class WatermarkSource : public ::testing::Test {
  protected:
    void SetUp() override {
        SetDefaults(s, u"C:\\Windows\\system32");
        s.watermarkMode = kWatermarkImage;
    }
    // Every file operation the preview made, in order.
    std::vector<std::string> Load(WatermarkPageModel& model, std::optional<PageMessage>* message = nullptr) {
        m.faults.Reset();
        auto msg = model.PreviewLoaded(LoadWatermarkPreview(m.files, model, kWorking, kept), once);
        if (message) *message = msg;
        return m.faults.Trace();
    }
    platform::sim::SimMachine m;
    PrivateSettings s{};
    OnceOnlyMessages once;
    KeptBitmap kept;
};

TEST_F(WatermarkSource, NetworkPathFromTheSettingsIsNotOpened) {
    for (std::u16string_view p :
         {u"\\\\server\\share\\x.bmp", u"//server/share/x.bmp", u"\\\\?\\UNC\\server\\share\\x.bmp"}) {
        m.files.Put(std::string(p.begin(), p.end()), TrueColor(4, 4));  // as if the server answered
        s.watermarkBitmapPath.set(p);
        WatermarkPageModel model(s, {});
        EXPECT_FALSE(model.MayOpenBitmap());
        std::optional<PageMessage> msg;
        EXPECT_TRUE(Load(model, &msg).empty()) << "no file operation at all";
        EXPECT_FALSE(msg.has_value());
        EXPECT_FALSE(model.reloadDue()) << "not tried again on every interaction";
        EXPECT_TRUE(kept.pixels.empty());
    }
}

TEST_F(WatermarkSource, NetworkPathChosenWithBrowseIsOpened) {
    const std::u16string unc = u"\\\\server\\share\\x.bmp";
    m.files.Put("\\\\server\\share\\x.bmp", TrueColor(4, 4));
    WatermarkPageModel model(s, {});
    EXPECT_FALSE(model.BrowseResult(unc, CopyResult::Done).has_value());
    EXPECT_TRUE(model.MayOpenBitmap());
    EXPECT_FALSE(Load(model).empty());
    EXPECT_EQ(kept.width, 4);
    EXPECT_FALSE(model.reloadDue());
    // A local file stays openable as it always was.
    s.watermarkBitmapPath.set(u"C:\\pics\\x.bmp");
    EXPECT_TRUE(WatermarkPageModel(s, {}).MayOpenBitmap());
}

TEST_F(WatermarkSource, SizeIsCheckedBeforeReadingAndTooBigIsToldOnce) {
    // One byte over the largest source: refused without reading a byte of it.
    m.files.Put("C:\\pics\\huge.bmp", std::vector<uint8_t>(size_t(kMaxSourceBytes) + 1, 0));
    s.watermarkBitmapPath.set(u"C:\\pics\\huge.bmp");
    WatermarkPageModel model(s, {});
    std::optional<PageMessage> msg;
    const auto trace = Load(model, &msg);
    EXPECT_EQ(std::count(trace.begin(), trace.end(), "ReadFile"), 0);
    ASSERT_TRUE(msg.has_value());
    EXPECT_EQ(msg->key, "MB_WATERMARK_ERROR4");
    EXPECT_FALSE(model.reloadDue());
    // Choosing the mode again asks again, but the message is not repeated.
    model.ChooseMode(kWatermarkNone);
    model.ChooseMode(kWatermarkImage);
    ASSERT_TRUE(model.reloadDue());
    Load(model, &msg);
    EXPECT_FALSE(msg.has_value());
}

TEST_F(WatermarkSource, RowsOverTheLimitAreTooBigWhateverTheFileSize) {
    // A small 1-bit file whose 24-bit copy would need 3 bytes a pixel: 2048 x 2048 is 12 MiB.
    std::vector<uint8_t> f;
    LeWriter wr(f);
    const uint32_t rows = 2048, stride = 256;
    wr.u16(0x4D42).u32(62 + stride * rows).u32(0).u32(62);
    wr.u32(40).i32(2048).i32(int32_t(rows)).u16(1).u16(1).zeros(24).u32(0).u32(0xFFFFFF);
    f.resize(62 + size_t(stride) * rows, 0);
    m.files.Put("C:\\pics\\one.bmp", f);
    EXPECT_EQ(CopyAsTrueColor(m.files, "C:\\pics\\one.bmp", kWorking), CopyResult::TooBig);
    EXPECT_FALSE(m.files.Exists(kWorking));
    WatermarkPageModel model(s, {});
    EXPECT_EQ(model.BrowseResult(u"C:\\pics\\one.bmp", CopyResult::TooBig)->key, "MB_WATERMARK_ERROR4");
    EXPECT_EQ(s.watermarkBitmapPath.get(), u"") << "nothing stored for a refused file";
}

TEST_F(WatermarkSource, FoldersPatternsAndMissingFilesAreUnsupported) {
    m.files.CreateDirectories("C:\\pics\\dir.bmp");
    m.files.Put("C:\\pics\\a.bmp", TrueColor(2, 2));
    for (const char* p :
         {"C:\\pics\\dir.bmp", "C:\\pics\\*.bmp", "C:\\pics\\?.bmp", "C:\\pics\\none.bmp", ""})
        EXPECT_EQ(CopyAsTrueColor(m.files, p, kWorking), CopyResult::Unsupported) << p;
    s.watermarkBitmapPath.set(u"C:\\pics\\none.bmp");
    WatermarkPageModel model(s, {});
    std::optional<PageMessage> msg;
    Load(model, &msg);
    EXPECT_EQ(msg->key, "MB_WATERMARK_ERROR1");
    Load(model, &msg);
    EXPECT_FALSE(msg.has_value()) << "told once per plug-in";
    EXPECT_TRUE(model.reloadDue()) << "a missing file is looked for again";
}

TEST_F(WatermarkSource, RefreshLoadsOnlyWhenDueAndShowsWhatLoaded) {
    m.files.Put("C:\\pics\\a.bmp", TrueColor(2, 2));
    s.watermarkBitmapPath.set(u"C:\\pics\\a.bmp");
    WatermarkPageModel model(s, {});
    ASSERT_TRUE(model.PreviewLoadDue());
    EXPECT_EQ(model.PreviewRefreshed(), PreviewSource::Nothing) << "nothing drawn before the load";
    Load(model);
    EXPECT_FALSE(model.PreviewLoadDue());
    EXPECT_EQ(model.PreviewRefreshed(), PreviewSource::Bitmap);
    // A file that cannot be read is not drawn and is looked for at the next refresh.
    m.files.DeleteFile("C:\\pics\\a.bmp");
    model.Cancel();
    Load(model);
    EXPECT_TRUE(model.PreviewLoadDue());
    EXPECT_EQ(model.PreviewRefreshed(), PreviewSource::Nothing);
    // No watermark: nothing is loaded or drawn, and the bitmap is loaded again when chosen.
    model.ChooseMode(kWatermarkNone);
    m.files.Put("C:\\pics\\a.bmp", TrueColor(2, 2));
    EXPECT_FALSE(model.PreviewLoadDue());
    EXPECT_EQ(model.PreviewRefreshed(), PreviewSource::Nothing);
    model.ChooseMode(kWatermarkText);
    EXPECT_FALSE(model.PreviewLoadDue());
    EXPECT_EQ(model.PreviewRefreshed(), PreviewSource::Text);
    model.ChooseMode(kWatermarkImage);
    EXPECT_TRUE(model.PreviewLoadDue());
}

TEST_F(WatermarkSource, ImageModeWithoutAPathLoadsAndDrawsNothing) {
    WatermarkPageModel model(s, {});
    EXPECT_FALSE(model.PreviewLoadDue());
    EXPECT_EQ(model.PreviewRefreshed(), PreviewSource::Nothing);
}

TEST_F(WatermarkSource, BrowsedFileIsCheckedCopiedAndTaken) {
    m.files.Put("C:\\pics\\a.bmp", TrueColor(2, 2));
    WatermarkPageModel model(s, {});
    // Refused before any file operation: a path longer than its field, and an empty name.
    m.faults.Reset();
    const std::u16string tooLong = u"C:\\" + std::u16string(118, u'p') + u".bmp";
    EXPECT_EQ(model.TakeBrowsedFile(m.files, tooLong, kWorking)->key, kMbPathTooLong);
    EXPECT_EQ(model.TakeBrowsedFile(m.files, u"", kWorking)->key, "MB_WATERMARK_ERROR6");
    EXPECT_TRUE(m.faults.Trace().empty());
    EXPECT_EQ(model.TakeBrowsedFile(m.files, u"C:\\pics\\none.bmp", kWorking)->key, "MB_WATERMARK_ERROR5");
    EXPECT_EQ(s.watermarkBitmapPath.get(), u"");
    m.faults.FailOn("CopyFile", m.faults.Calls("CopyFile") + 1, platform::kErrAccessDenied);
    EXPECT_EQ(model.TakeBrowsedFile(m.files, u"C:\\pics\\a.bmp", kWorking)->key, "MB_WATERMARK_ERROR2");
    EXPECT_EQ(s.watermarkBitmapPath.get(), u"");
    EXPECT_FALSE(model.TakeBrowsedFile(m.files, u"C:\\pics\\a.bmp", kWorking).has_value());
    EXPECT_EQ(s.watermarkBitmapPath.get(), u"C:\\pics\\a.bmp");
    EXPECT_TRUE(m.files.Exists(kWorking));
    EXPECT_TRUE(model.PreviewLoadDue());
}

}  // namespace
}  // namespace k20::prnui
