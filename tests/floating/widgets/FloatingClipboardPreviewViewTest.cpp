#include <gtest/gtest.h>

#include <QApplication>

#include "floating/widgets/FloatingClipboardPreviewView.h"
#include "floating/widgets/FloatingPanelTestFixture.h"
#include "support/PictureBytes.h"

namespace quorvane {
namespace {

FloatingClipboardPreviewRequest pictureRequest(Data bytes) {
    FloatingClipboardPreviewRequest request;
    request.item.id = "picture";
    request.item.contentType = ClipboardContentType::image;
    request.content.id = "picture";
    request.content.imageData = std::move(bytes);
    return request;
}

// The bubble holds a huge picture no wider than a screen, with its shape, and still draws it at its own
// width; a small picture keeps its pixels; bytes that are no picture show the entry's text.
TEST(FloatingClipboardPreviewViewTest, PicturesAreDecodedNoWiderThanAScreen) {
    testing::floatingWidgetApplication();
    const int widest = testing::widestScreenInDevicePixels();
    ASSERT_GT(widest, 0);
    FloatingClipboardPreviewView view;
    view.resize(360, 420);
    view.show();

    view.apply(pictureRequest(testing::pngBytes(widest * 4, 800)));
    ASSERT_TRUE(view.isShowingImage());
    EXPECT_EQ(view.shownImagePixels(), QSize(widest, 200));
    const int bubbleWidth = view.imageView()->pixmap().width();
    EXPECT_GT(bubbleWidth, 0);
    EXPECT_LT(bubbleWidth, widest);

    view.apply(pictureRequest(testing::pngBytes(30, 20)));
    EXPECT_EQ(view.shownImagePixels(), QSize(30, 20));

    auto broken = pictureRequest(Data{'n', 'o', 'p', 'e'});
    broken.content.content = "caption";
    view.apply(broken);
    EXPECT_FALSE(view.isShowingImage());
    EXPECT_FALSE(view.shownImagePixels().isValid());
}

}  // namespace
}  // namespace quorvane
