// The window icon is built into the program in every size the desktop's
// icon theme has.
#include "gui/program_icon.h"

#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>
#include <QPixmap>

namespace marklift {
namespace {

TEST(ProgramIconTest, HasAPictureForEveryThemeSize) {
    const QIcon icon = ProgramIcon();
    const QList<QSize> sizes = icon.availableSizes();
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(size);
        EXPECT_TRUE(sizes.contains(QSize(size, size)));
        const QImage picture = icon.pixmap(QSize(size, size)).toImage();
        ASSERT_EQ(picture.size(), QSize(size, size));
        // Drawn, not blank: the sheet's middle is opaque.
        EXPECT_GT(qAlpha(picture.pixel(size / 2, size / 2)), 200);
    }
}

}  // namespace
}  // namespace marklift
