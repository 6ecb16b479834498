#include "Platform/Desktop/Qt/QtPasteboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <gtest/gtest.h>

TEST(QtPasteboard, ClearsThenHoldsExactlyTheText) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    ASSERT_NE(clipboard, nullptr);
    clipboard->setText(QStringLiteral("earlier"));
    platform::QtPasteboard pasteboard;

    pasteboard.clearContents();
    EXPECT_TRUE(clipboard->text().isEmpty());

    const std::string text = "{\n  \"label\" : \"장치 1\",\n  \"path\" : \"a/b\"\n}";
    EXPECT_TRUE(pasteboard.setString(text));
    EXPECT_EQ(clipboard->text().toUtf8().toStdString(), text);

    // Text that would reach the clipboard altered is refused.
    EXPECT_FALSE(pasteboard.setString("\xff\xfe"));
}
