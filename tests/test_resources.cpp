#include "resources/resources.h"

#include <QFile>
#include <QIcon>
#include <QImage>
#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

// Every image the resource list names must load as what the program asks for:
// the action icons as 22x22 with a transparent background, the application
// icon as 64x64.
TEST(Resources, EveryListedImageLoads)
{

    QFile qrc(QStringLiteral(CLAVION_ICONS_QRC));
    ASSERT_TRUE(qrc.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(qrc.readAll());
    QStringList names;
    auto it = QRegularExpression(QStringLiteral("alias=\"([^\"]+)\"")).globalMatch(text);
    while (it.hasNext()) names << it.next().captured(1);
    ASSERT_GE(names.size(), 30);
    EXPECT_TRUE(names.contains(QStringLiteral("appicon.png")));

    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const QString path = QStringLiteral(":/") + name;
        const QImage image(path);
        const int side = name.endsWith(QLatin1String(".png")) ? 64 : 22;
        ASSERT_EQ(image.size(), QSize(side, side));
        EXPECT_TRUE(image.hasAlphaChannel());
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "corner not transparent";
        EXPECT_FALSE(QIcon(path).pixmap(side).isNull());
    }
}
