// Mosaic, pave and stereo pair: placement by real coordinates, the grid of a
// pave, the separator of a pair, and the refusals of each.
#include "processing/mosaic.h"

#include "app/commands/mosaic.h"
#include "app/image_picker.h"
#include "imagestore/display_mapping.h"
#include "processing/geometry.h"
#include "processing/toolkit_fixture.h"

namespace orvex {
namespace {

class Concatenate : public testing::ToolkitTest {
protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        RegisterMosaicCommands();
    }
    /// An image with its pixel centres spanning (x0, y0) to (x1, y1).
    ImageHandle placed(int w, int h, double x0, double y0, double x1, double y1,
                       const std::function<int(int, int)>& value) {
        ImageHandle i = image(w, h, 8, value);
        SetRegistration(i, {x0, y0}, {x1, y1});
        return i;
    }
    ImageHandle mosaic(std::vector<ImageHandle> picks) {
        for (ImageHandle w : picks) pick(w);
        ui.queue(platform::ImagePickEvent{platform::ImagePickEvent::Kind::Ok});
        const int before = ActiveImageWindow().number;
        app::commandTable().run("Advanced > Concatenate Images > &Mosaic");
        return ActiveImageWindow().number != before ? ActiveImageWindow() : ImageHandle{};
    }
    static std::vector<std::vector<int>> rows(ImageHandle w) {
        std::vector<std::vector<int>> all;
        for (int r = 0; r < LiveImage(w)->Height(); ++r) all.push_back(row(w, r));
        return all;
    }
    static std::pair<RealPoint, RealPoint> corners(ImageHandle w) {
        RealPoint ll, ur;
        GetCorners(w, ll, ur);
        return {ll, ur};
    }
};

// A field whose every pixel differs, none black, so any misplaced pixel shows.
int fieldValue(int c, int r) { return 1 + c + 10 * r; }

TEST_F(Concatenate, TwoTouchingFieldsMakeOneMosaicWithTheFirstPickedOnTop) {
    ImageHandle a = placed(100, 100, 0, 0, 99, 99, [](int c, int) { return c < 50 ? 0 : 10; });
    ImageHandle b = placed(100, 100, 100, 0, 199, 99, [](int, int) { return 20; });
    ImageHandle under = placed(100, 100, 0, 0, 99, 99, [](int, int) { return 30; });
    const ImageHandle m = mosaic({a, b, under});
    ASSERT_TRUE(m);
    EXPECT_EQ(LiveImage(m)->Width(), 200);
    EXPECT_EQ(LiveImage(m)->Height(), 100);
    const auto r = row(m, 40);
    EXPECT_EQ(r[10], 30);   // a's black pixels let the image below show
    EXPECT_EQ(r[60], 10);   // a lies on top
    EXPECT_EQ(r[99], 10);
    EXPECT_EQ(r[100], 20);
    EXPECT_EQ(r[199], 20);
    RealPoint ll, ur;
    GetCorners(m, ll, ur);
    EXPECT_DOUBLE_EQ(ll.x, 0);
    EXPECT_DOUBLE_EQ(ur.x, 199);
    EXPECT_EQ(historyLines("mosaic: "), (std::vector<std::string>{"mosaic: ", "--" + name(under), "--" + name(b),
                                                                 "--" + name(a)}));
}

TEST_F(Concatenate, TheFinestPitchWinsAndCoarsePixelsRepeat) {
    ImageHandle fine = placed(10, 10, 0, 0, 9, 9, [](int, int) { return 1; });
    ImageHandle coarse = placed(5, 5, 10, 0, 18, 8, [](int c, int) { return 100 + c; });
    const ImageHandle m = mosaic({fine, coarse});
    ASSERT_TRUE(m);
    EXPECT_EQ(LiveImage(m)->Width(), 19);
    EXPECT_EQ(LiveImage(m)->Height(), 10);
    const auto r = row(m, 5);
    EXPECT_EQ(std::vector<int>(r.begin() + 10, r.end()),
              (std::vector<int>{100, 100, 101, 101, 102, 102, 103, 103, 104}));
}

TEST_F(Concatenate, ZRegisteredFieldsShareOneScale) {
    ImageHandle a = placed(4, 4, 0, 0, 3, 3, [](int, int) { return 255; });
    ImageHandle b = placed(4, 4, 4, 0, 7, 3, [](int, int) { return 255; });
    ZRegistration z;
    z.flag = 1;
    z.units = "PPM";
    z.high = 100;
    SetZRegistration(a, z);
    z.high = 200;
    SetZRegistration(b, z);
    const ImageHandle m = mosaic({a, b});
    ZRegistration out;
    GetZRegistration(m, out);
    EXPECT_DOUBLE_EQ(out.high, 200);
    EXPECT_EQ(row(m, 0), (std::vector<int>{127, 127, 127, 127, 255, 255, 255, 255}));
}

TEST_F(Concatenate, MosaicRefusals) {
    ImageHandle a = placed(4, 4, 0, 0, 3, 3, [](int, int) { return 1; });
    ImageHandle loose = image(4, 4, 8, [](int, int) { return 1; });
    ImageHandle line = placed(4, 1, 0, 0, 3, 0, [](int, int) { return 1; });
    EXPECT_FALSE(mosaic({a}));
    EXPECT_FALSE(mosaic({a, loose, line}));
    ImageHandle far = placed(2, 2, 5000, 0, 5001, 1, [](int, int) { return 1; });
    ImageHandle near = placed(2, 2, 0, 0, 1, 1, [](int, int) { return 1; });
    EXPECT_FALSE(mosaic({near, far}));  // the width question is answered Cancel
    ImageHandle farther = placed(2, 2, 40000, 0, 40001, 1, [](int, int) { return 1; });
    EXPECT_FALSE(mosaic({near, farther}));
    EXPECT_EQ(ui.messageLines(), (std::vector<std::string>{
                                     "ov_mosaic(): Pick at least two registered images",
                                     name(loose) + ": unregistered image",
                                     name(line) + ": image has no extent",
                                     "ov_mosaic(): Need at least two registered images",
                                     "ov_mosaic(): More than 4096 wide. Continue?",
                                     "ov_mosaic(): Final image would be more than 32768 pixels wide"}));
    ui.clear();
    pick(near);
    pick(far);
    ui.queue(platform::ImagePickEvent{platform::ImagePickEvent::Kind::Ok});
    ui.queue(platform::Answer::Ok);
    app::commandTable().run("Advanced > Concatenate Images > &Mosaic");
    EXPECT_EQ(LiveImage(ActiveImageWindow())->Width(), 5002);
}

TEST_F(Concatenate, FlippedAndHalfTurnedFieldsLandWhereTheOriginalDoes) {
    // A field beside a neighbour with a finer pitch, so the field is also scaled.
    ImageHandle field = placed(10, 8, 0, 0, 9, 7, fieldValue);
    ImageHandle neighbour = placed(13, 8, 9.5, 0, 15.5, 3.5, [](int, int) { return 200; });
    const ImageHandle expected = mosaic({field, neighbour});
    ASSERT_TRUE(expected);
    const auto expectedRows = rows(expected);
    const auto [ll, ur] = corners(expected);
    for (RotateFlip turn : {RotateFlip::LeftToRight, RotateFlip::TopToBottom, RotateFlip::Half}) {
        const ImageHandle copy = RotateFlipImage(field, turn);
        ASSERT_TRUE(copy);
        RealPoint first, last;
        GetCorners(copy, first, last);
        ASSERT_TRUE(first.x > last.x || first.y > last.y) << RotateFlipText(turn);  // an axis runs backwards
        const ImageHandle m = mosaic({copy, neighbour});
        ASSERT_TRUE(m) << RotateFlipText(turn);
        EXPECT_EQ(rows(m), expectedRows) << RotateFlipText(turn);
        const auto [mll, mur] = corners(m);
        EXPECT_DOUBLE_EQ(mll.x, ll.x);
        EXPECT_DOUBLE_EQ(mll.y, ll.y);
        EXPECT_DOUBLE_EQ(mur.x, ur.x);
        EXPECT_DOUBLE_EQ(mur.y, ur.y);
    }
    EXPECT_TRUE(ui.messages.empty()) << ui.messageLines().front();
}

TEST_F(Concatenate, AFlippedFieldBesideItsOriginal) {
    // A flipped copy moved one field to the right: its registration runs
    // backwards in X, so it shows the specimen the right way round, as the
    // original does.
    ImageHandle field = placed(4, 3, 0, 0, 3, 2, fieldValue);
    const ImageHandle mirror = RotateFlipImage(field, RotateFlip::LeftToRight);
    SetRegistration(mirror, {7, 0}, {4, 2});  // still reversed in X, one field further
    const ImageHandle m = mosaic({field, mirror});
    ASSERT_TRUE(m);
    ASSERT_EQ(LiveImage(m)->Width(), 8);
    ASSERT_EQ(LiveImage(m)->Height(), 3);
    for (int r = 0; r < 3; ++r) {
        const int sourceRow = r;
        std::vector<int> want;
        for (int c = 0; c < 4; ++c) want.push_back(fieldValue(c, sourceRow));
        for (int c = 0; c < 4; ++c) want.push_back(fieldValue(c, sourceRow));
        EXPECT_EQ(row(m, r), want) << r;
    }
    // A scan with a reversed Y polarity: its first row is the lowest.
    ImageHandle upward = placed(4, 3, 0, 2, 3, 0, fieldValue);
    ImageHandle beside = placed(4, 3, 4, 0, 7, 2, [](int, int) { return 9; });
    const ImageHandle n = mosaic({upward, beside});
    ASSERT_TRUE(n);
    EXPECT_EQ(row(n, 0), (std::vector<int>{21, 22, 23, 24, 9, 9, 9, 9}));
    EXPECT_EQ(row(n, 2), (std::vector<int>{1, 2, 3, 4, 9, 9, 9, 9}));
}

TEST_F(Concatenate, SixteenBitMosaicKeepsEveryBitAndReportsProgress) {
    ImageHandle a = image(4, 2, 16, [](int c, int r) { return 0x1000 * (c + 1) + r + 1; });
    SetRegistration(a, {0, 0}, {3, 1});
    ImageHandle b = image(4, 2, 16, [](int, int) { return 0xFFFF; });
    SetRegistration(b, {4, 0}, {7, 1});
    ui.progress.clear();
    const ImageHandle m = mosaic({a, b});
    ASSERT_TRUE(m);
    EXPECT_EQ(LiveImage(m)->Depth(), 16);
    EXPECT_EQ(row(m, 0), (std::vector<int>{0x1001, 0x2001, 0x3001, 0x4001, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}));
    EXPECT_EQ(row(m, 1), (std::vector<int>{0x1002, 0x2002, 0x3002, 0x4002, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}));
    EXPECT_EQ(ui.progress, (std::vector<int>{25, 50, 75, 100}));  // two rows of each image

    // Esc and Yes stop after the row in hand: the first image drawn is b.
    ui.pendingEscapes = 1;
    pick(a);
    pick(b);
    ui.queue(platform::ImagePickEvent{platform::ImagePickEvent::Kind::Ok});
    ui.queue(platform::Answer::Yes);
    app::commandTable().run("Advanced > Concatenate Images > &Mosaic");
    const ImageHandle stopped = ActiveImageWindow();
    ASSERT_NE(stopped, m);
    EXPECT_EQ(ui.messageLines(), (std::vector<std::string>{"Verify: Do you wish to cancel this operation?"}));
    EXPECT_EQ(row(stopped, 0), (std::vector<int>{0, 0, 0, 0, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}));
    EXPECT_EQ(row(stopped, 1), std::vector<int>(8, 0));
}

TEST_F(Concatenate, PaveTakesTwentyFiveImagesOtherPicksTwenty) {
    std::vector<ImageHandle> images;
    for (int i = 0; i < 26; ++i) images.push_back(image(2, 2, 8, [i](int c, int) { return 1 + 2 * i + c; }));
    for (ImageHandle w : images) pick(w);  // the 26th is never asked for
    ui.progress.clear();
    app::commandTable().run("Advanced > Concatenate Images > &Pave");
    const ImageHandle p = ActiveImageWindow();
    ASSERT_EQ(LiveImage(p)->Width(), 10);  // 5 x 5 cells
    ASSERT_EQ(LiveImage(p)->Height(), 10);
    EXPECT_EQ(row(p, 0), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(row(p, 9), (std::vector<int>{41, 42, 43, 44, 45, 46, 47, 48, 49, 50}));
    EXPECT_EQ(historyLines("pave: ").size(), 26u);
    EXPECT_EQ(ui.progress.back(), 100);
    ASSERT_EQ(ui.answers.size(), 1u);  // the 26th pick is left over
    ui.clear();

    // Mosaic and the picker itself stay at 20.
    app::PickRequest request;
    request.entries.resize(25, {.prompt = "Pick image"});
    for (int i = 0; i < 25; ++i) pick(images[static_cast<size_t>(i)]);
    EXPECT_EQ(app::PickImages(request), 20);
    EXPECT_EQ(request.entries.size(), 20u);
    ui.clear();
    for (int i = 0; i < 21; ++i) {
        SetRegistration(images[static_cast<size_t>(i)], {2.0 * i, 0}, {2.0 * i + 1, 1});
        pick(images[static_cast<size_t>(i)]);
    }
    app::commandTable().run("Advanced > Concatenate Images > &Mosaic");
    EXPECT_EQ(LiveImage(ActiveImageWindow())->Width(), 40);  // 20 fields of 2 pixels
    EXPECT_EQ(ui.answers.size(), 1u);
}

TEST_F(Concatenate, PaveGridsAndPlacementInPickOrder) {
    EXPECT_EQ(PaveGridFor(5).columns, 3);
    EXPECT_EQ(PaveGridFor(5).rows, 2);
    EXPECT_EQ(PaveGridFor(7).rows, 3);
    EXPECT_EQ(PaveGridFor(2).columns, 2);
    EXPECT_EQ(PaveGridFor(2).rows, 1);

    ImageHandle first = image(3, 2, 16, [](int, int) { return 0x1234; });
    ImageHandle second = image(3, 2, 8, [](int c, int) { return 10 + c; });
    ImageHandle wide = image(7, 2, 8, [](int, int) { return 99; });  // reaches past the right edge
    ImageHandle bigger = image(16, 2, 16, [](int, int) { return 5; });
    for (ImageHandle w : {first, second, wide}) pick(w);
    ui.queue(platform::ImagePickEvent{platform::ImagePickEvent::Kind::Ok});
    app::commandTable().run("Advanced > Concatenate Images > &Pave");
    const ImageHandle p = ActiveImageWindow();
    ASSERT_NE(p, wide);
    EXPECT_EQ(LiveImage(p)->Width(), 6);
    EXPECT_EQ(LiveImage(p)->Height(), 4);
    EXPECT_EQ(LiveImage(p)->Depth(), 16);
    // The 8-bit neighbour goes in at 16 bits and leaves the first image's low bits alone.
    EXPECT_EQ(row(p, 1), (std::vector<int>{0x1234, 0x1234, 0x1234, 2560, 2816, 3072}));
    EXPECT_EQ(row(p, 2), (std::vector<int>{0, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(LiveImage(p)->IsPositionRegistered());
    EXPECT_EQ(historyLines("pave: "),
              (std::vector<std::string>{"pave: ", "--" + name(first), "--" + name(second), "--" + name(wide)}));
    // A 16-bit image does not go into an 8-bit pave.
    for (ImageHandle w : {second, bigger}) pick(w);
    ui.queue(platform::ImagePickEvent{platform::ImagePickEvent::Kind::Ok});
    app::commandTable().run("Advanced > Concatenate Images > &Pave");
    EXPECT_EQ(row(ActiveImageWindow(), 0), (std::vector<int>{10, 11, 12, 0, 0, 0}));
    pick(first);
    ui.queue(platform::ImagePickEvent{platform::ImagePickEvent::Kind::Ok});
    app::commandTable().run("Advanced > Concatenate Images > &Pave");
    EXPECT_EQ(ui.messageLines(), (std::vector<std::string>{"ov_pave(): Pick at least two images"}));
}

TEST_F(Concatenate, StereoPairWithItsSeparatorAndMirroredOrder) {
    ImageHandle left = image(100, 3, 8, [](int, int) { return 40; });
    ImageHandle right = image(120, 3, 8, [](int, int) { return 80; });
    pick(left);
    pick(right);
    app::commandTable().run("Advanced > Concatenate Images > &Combine");
    ImageHandle pair = ActiveImageWindow();
    ASSERT_EQ(LiveImage(pair)->Width(), 223);
    auto r = row(pair, 2);
    EXPECT_EQ(r[99], 40);
    EXPECT_EQ((std::vector<int>{r[100], r[101], r[102]}), (std::vector<int>{0, 255, 0}));
    EXPECT_EQ(r[103], 80);
    EXPECT_EQ(r[222], 80);
    // Shown mirrored, the right image comes first.
    displayMirror().horizontal = true;
    pick(left);
    pick(right);
    app::commandTable().run("Advanced > Concatenate Images > &Combine");
    displayMirror().horizontal = false;
    r = row(ActiveImageWindow(), 0);
    EXPECT_EQ(r[119], 80);
    EXPECT_EQ((std::vector<int>{r[120], r[121], r[122]}), (std::vector<int>{0, 255, 0}));
    EXPECT_EQ(r[123], 40);

    ImageHandle shorter = image(10, 2, 8, [](int, int) { return 1; });
    ImageHandle deeper = image(10, 3, 16, [](int, int) { return 1; });
    pick(left);
    pick(shorter);
    app::commandTable().run("Advanced > Concatenate Images > &Combine");
    pick(left);
    pick(deeper);
    app::commandTable().run("Advanced > Concatenate Images > &Combine");
    EXPECT_EQ(ui.messageLines(), (std::vector<std::string>{"ov_make_stereo_pair(): images are different heights",
                                                           "ov_make_stereo_pair(): images have different depths"}));
    EXPECT_EQ(ActiveImageWindow(), deeper);
}

TEST_F(Concatenate, SixteenBitStereoPairAndItsProgress) {
    ImageHandle left = image(2, 2, 16, [](int c, int r) { return 0x8000 + c + 16 * r; });
    ImageHandle right = image(3, 2, 16, [](int c, int) { return 0xFF00 + c; });
    ui.progress.clear();
    pick(left);
    pick(right);
    app::commandTable().run("Advanced > Concatenate Images > &Combine");
    const ImageHandle pair = ActiveImageWindow();
    ASSERT_EQ(LiveImage(pair)->Depth(), 16);
    EXPECT_EQ(row(pair, 1), (std::vector<int>{0x8010, 0x8011, 0, 255, 0, 0xFF00, 0xFF01, 0xFF02}));
    EXPECT_EQ(ui.progress, (std::vector<int>{50, 100}));
}

}  // namespace
}  // namespace orvex
