#include <gtest/gtest.h>

#include <QImage>

#include "panel/widgets/ClipboardAppIconProvider.h"
#include "panel/widgets/WidgetTestApplication.h"
#include "platform/memory/InMemoryApplicationCatalog.h"
#include "support/TemporaryDirectory.h"
#include "ui/UiSymbols.h"

namespace quorvane {
namespace {

TEST(ClipboardAppIconProviderTest, IconsComeFromDesktopEntriesAndAreKeptForTheProcess) {
    testing::widgetTestApplication();
    testing::TemporaryDirectory directory;
    const QString iconPath = QString::fromStdString((directory.path() / "editor.png").string());
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(QColor(200, 30, 30));
    ASSERT_TRUE(image.save(iconPath));

    InMemoryApplicationCatalog catalog;
    InstalledApplication editor;
    editor.identifier = "org.example.Editor";
    editor.name = "Editor";
    editor.icon = iconPath.toStdString();
    catalog.install(editor);
    ClipboardAppIconProvider provider(&catalog);

    const qint64 fallback = UiSymbols::icon(UiSymbol::clipboard).cacheKey();
    const QIcon icon = provider.icon(std::string("org.example.Editor"));
    EXPECT_NE(icon.cacheKey(), fallback);
    EXPECT_EQ(icon.pixmap(16, 16).toImage().pixelColor(8, 8), QColor(200, 30, 30));
    EXPECT_EQ(provider.icon(std::nullopt).cacheKey(), fallback);

    // An application unknown at first keeps the clipboard symbol, even once it is installed.
    EXPECT_EQ(provider.icon(std::string("org.example.Later")).cacheKey(), fallback);
    InstalledApplication later = editor;
    later.identifier = "org.example.Later";
    catalog.install(later);
    EXPECT_EQ(provider.icon(std::string("org.example.Later")).cacheKey(), fallback);
    EXPECT_EQ(provider.cachedCount(), 2);
}

}  // namespace
}  // namespace quorvane
