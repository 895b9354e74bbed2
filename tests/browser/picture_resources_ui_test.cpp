// The built-in pictures as the program carries them: every resource name finds its picture, the
// strips have the sizes the windows cut them with, the pictures are drawn where they should be
// and empty where they should be, and the cursors point where their hot spots say.
#include "browser/picture_resources.h"

#include <gtest/gtest.h>
#include <gtkmm/image.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace orbeta::browser {
namespace {

using Pixbuf = Glib::RefPtr<Gdk::Pixbuf>;

int Alpha(const Pixbuf& picture, int x, int y) {
  if (!picture->get_has_alpha()) return 255;
  const guint8* row = picture->get_pixels() + y * picture->get_rowstride();
  return row[x * picture->get_n_channels() + 3];
}

int OpaquePixels(const Pixbuf& picture) {
  int count = 0;
  for (int y = 0; y < picture->get_height(); ++y) {
    for (int x = 0; x < picture->get_width(); ++x) count += Alpha(picture, x, y) > 64;
  }
  return count;
}

// The pixels of one image as bytes, to compare images.
std::string Pixels(const Pixbuf& picture) {
  std::string bytes;
  const int rowBytes = picture->get_width() * picture->get_n_channels();
  for (int y = 0; y < picture->get_height(); ++y) {
    bytes.append(reinterpret_cast<const char*>(picture->get_pixels() + y * picture->get_rowstride()),
                 rowBytes);
  }
  return bytes;
}

struct Strip {
  const char* name;
  int width;
  int height;
  int count;
  std::set<int> empty;  // images left blank on purpose
};

const std::vector<Strip>& Strips() {
  static const std::vector<Strip> strips = {
      {"TOOLBAR_MAIN", kMainToolImageSize, kMainToolImageSize, 15, {5, 6, 9, 12}},
      {"TOOLBAR_MAIN_HOT", kMainToolImageSize, kMainToolImageSize, 15, {5, 6, 9, 12}},
      {"TOOLBAR_MAIN_DISABLED", kMainToolImageSize, kMainToolImageSize, 15, {5, 6, 9, 12}},
      {"LINKS", kLinkImageSize, kLinkImageSize, 6, {}},
      {"LINKS_HOT", kLinkImageSize, kLinkImageSize, 6, {}},
      {"LEDS", kLedImageSize, kLedImageSize, 4, {}},
      {"PICTSYS", kPictoImageSize, kPictoImageSize, kPictoArt + 1, {2, 3, 4}},
      {"TOOLBAR", kEditorToolImageSize, kEditorToolImageSize, kToolSaveClose + 1, {}},
      {"MENU", kEditorMenuImageSize, kEditorMenuImageSize, kMenuAbout + 1, {}},
      {"MENU_MAIN", kMainMenuImageSize, kMainMenuImageSize, kMainMenuDomain + 1, {}},
      {"LOGO_ANIM", kLogoFrameWidth, kLogoFrameHeight, kLogoFrames, {}},
      {"PIC 1000", 309, 92, 1, {}},
      {"PIC 1001", 200, 72, 1, {}},
      {"CURSOR 8100", 32, 32, 1, {}},
      {"CURSOR 8101", 32, 32, 1, {}},
  };
  return strips;
}

// Each strip is exactly its images side by side, each image is drawn (a picture that failed to
// render comes out transparent) except the blank places of the lists, and no two drawn images
// of a strip are the same picture.
TEST(PictureResources, EveryStripHasItsSizeAndEveryPlaceIsDrawnOrBlankAsListed) {
  for (const Strip& strip : Strips()) {
    SCOPED_TRACE(strip.name);
    const Pixbuf picture = LoadPicResource(strip.name);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->get_width(), strip.width * strip.count);
    EXPECT_EQ(picture->get_height(), strip.height);

    const std::vector<Pixbuf> images = CutStrip(picture, strip.width);
    ASSERT_EQ(static_cast<int>(images.size()), strip.count);
    std::set<std::string> seen;
    for (int i = 0; i < strip.count; ++i) {
      SCOPED_TRACE("image " + std::to_string(i));
      EXPECT_EQ(images[i]->get_width(), strip.width);
      EXPECT_EQ(images[i]->get_height(), strip.height);
      const int drawn = OpaquePixels(images[i]);
      if (strip.empty.contains(i)) {
        EXPECT_EQ(drawn, 0);
        continue;
      }
      // A legible picture covers a fair part of its square, not a stray dot or line.
      EXPECT_GT(drawn, strip.width * strip.height / 8);
      EXPECT_TRUE(seen.insert(Pixels(images[i])).second) << "the same picture as an earlier one";
    }
  }
}

TEST(PictureResources, ToolBarStatesDifferForEveryButton) {
  const auto normal = CutStrip(LoadPicResource("TOOLBAR_MAIN"), kMainToolImageSize);
  const auto hot = CutStrip(LoadPicResource("TOOLBAR_MAIN_HOT"), kMainToolImageSize);
  const auto disabled = CutStrip(LoadPicResource("TOOLBAR_MAIN_DISABLED"), kMainToolImageSize);
  ASSERT_EQ(normal.size(), 15u);
  ASSERT_EQ(hot.size(), 15u);
  ASSERT_EQ(disabled.size(), 15u);
  for (int i : {0, 1, 2, 3, 4, 7, 8, 10, 11, 13, 14}) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(Pixels(normal[i]) != Pixels(hot[i]));
    EXPECT_TRUE(Pixels(normal[i]) != Pixels(disabled[i]));
    EXPECT_TRUE(Pixels(hot[i]) != Pixels(disabled[i]));
  }
}

// The logo sits on the black panel: every frame is opaque black at its corners, and every frame
// moves on from the one before, also from the last back to the first (the strip loops).
TEST(PictureResources, LogoFramesAreOnBlackAndEachDiffersFromTheNext) {
  const auto frames = CutStrip(LoadPicResource("LOGO_ANIM"), kLogoFrameWidth);
  ASSERT_EQ(static_cast<int>(frames.size()), kLogoFrames);
  for (int i = 0; i < kLogoFrames; ++i) {
    SCOPED_TRACE(i);
    const Pixbuf& frame = frames[i];
    for (auto [x, y] : {std::pair{0, 0}, std::pair{kLogoFrameWidth - 1, kLogoFrameHeight - 1}}) {
      EXPECT_EQ(Alpha(frame, x, y), 255);
      const guint8* pixel = frame->get_pixels() + y * frame->get_rowstride() + x * frame->get_n_channels();
      EXPECT_EQ(pixel[0] + pixel[1] + pixel[2], 0);
    }
    EXPECT_TRUE(Pixels(frame) != Pixels(frames[(i + 1) % kLogoFrames]));
  }
}

TEST(PictureResources, CutStripSharesTheStripPixelsAndDropsARemainder) {
  const Pixbuf strip = LoadPicResource("LEDS");
  ASSERT_TRUE(strip);
  const auto images = CutStrip(strip, 5);  // 64 pixels: 12 images, 4 pixels left over
  ASSERT_EQ(images.size(), 12u);
  for (int i = 0; i < 12; ++i) {
    for (int y = 0; y < strip->get_height(); ++y) {
      for (int x = 0; x < 5; ++x) ASSERT_EQ(Alpha(images[i], x, y), Alpha(strip, i * 5 + x, y));
    }
  }
  EXPECT_TRUE(CutStrip(strip, 0).empty());
  EXPECT_TRUE(CutStrip(strip, 65).empty());
  EXPECT_TRUE(CutStrip({}, 16).empty());
}

TEST(PictureResources, UnknownNamesAndNumbersFindNothingAndLeaveTheImageAlone) {
  EXPECT_FALSE(LoadPicResource("leds"));  // names are exact
  EXPECT_FALSE(LoadPicResource("PIC_1000"));
  EXPECT_FALSE(LoadPicResource(""));

  Gtk::Image image;
  EXPECT_TRUE(LoadPicResource(1000, image));
  ASSERT_TRUE(image.get_pixbuf());
  EXPECT_EQ(image.get_pixbuf()->get_width(), 309);
  EXPECT_FALSE(LoadPicResource(999, image));
  ASSERT_TRUE(image.get_pixbuf());
  EXPECT_EQ(image.get_pixbuf()->get_width(), 309);
}

// The hot spot is where the cursor's picture points: on the drawn fingertip, with nothing
// drawn above it.
TEST(PictureResources, CursorsLoadAndTheirHotSpotIsTheFingertip) {
  for (int id : {8100, 8101}) {
    SCOPED_TRACE(id);
    EXPECT_TRUE(LoadCursorResource(id));
    const Pixbuf picture = LoadPicResource("CURSOR " + std::to_string(id));
    ASSERT_TRUE(picture);
    EXPECT_GT(Alpha(picture, kCursorHotSpotX, kCursorHotSpotY), 128);
    for (int y = 0; y + 1 < kCursorHotSpotY; ++y) EXPECT_EQ(Alpha(picture, kCursorHotSpotX, y), 0);
  }
  EXPECT_FALSE(LoadCursorResource(8102));
  EXPECT_FALSE(LoadCursorResource(1000));
}

}  // namespace
}  // namespace orbeta::browser
