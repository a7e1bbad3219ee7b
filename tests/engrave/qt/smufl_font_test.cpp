// The SMuFL table the layout uses against Bravura's metadata.json and the font itself: names,
// boxes, anchors and engraving defaults as the metadata gives them, and each code point drawing
// the glyph of that box.

#include <QFile>
#include <QGlyphRun>
#include <QImage>
#include <QPainter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRawFont>
#include <gtest/gtest.h>

#include "engrave/smufl.h"

namespace corvane::engrave {
namespace {

constexpr double kSpacesPerEm = 4.0;
constexpr double kBoxTolerance = 0.03;

QJsonObject metadata() {
    QFile file(QStringLiteral(CORVANE_BRAVURA_DIR "/metadata.json"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return QJsonDocument::fromJson(file.readAll()).object();
}

void expectPoint(const QJsonValue& value, const std::optional<SymPoint>& point, const char* what,
                 std::string_view name) {
    SCOPED_TRACE(std::string(name) + " " + what);
    ASSERT_EQ(value.isArray(), point.has_value());
    if (point) {
        EXPECT_NEAR(point->x, value.toArray()[0].toDouble(), 1e-6);
        EXPECT_NEAR(point->y, value.toArray()[1].toDouble(), 1e-6);
    }
}

TEST(SmuflTable, MatchesTheFontsMetadata) {
    const QJsonObject meta = metadata();
    const QJsonObject boxes = meta["glyphBBoxes"].toObject();
    const QJsonObject advances = meta["glyphAdvanceWidths"].toObject();
    const QJsonObject anchors = meta["glyphsWithAnchors"].toObject();
    for (int i = 0; i < static_cast<int>(Sym::Count); ++i) {
        const SymInfo& info = symInfo(static_cast<Sym>(i));
        const QString name = QString::fromUtf8(info.name.data(), static_cast<qsizetype>(info.name.size()));
        ASSERT_TRUE(boxes.contains(name)) << info.name;
        const QJsonObject box = boxes[name].toObject();
        EXPECT_NEAR(info.box.left, box["bBoxSW"].toArray()[0].toDouble(), 1e-6) << info.name;
        EXPECT_NEAR(info.box.bottom, box["bBoxSW"].toArray()[1].toDouble(), 1e-6) << info.name;
        EXPECT_NEAR(info.box.right, box["bBoxNE"].toArray()[0].toDouble(), 1e-6) << info.name;
        EXPECT_NEAR(info.box.top, box["bBoxNE"].toArray()[1].toDouble(), 1e-6) << info.name;
        EXPECT_NEAR(info.advance, advances[name].toDouble(), 1e-6) << info.name;
        const QJsonObject a = anchors[name].toObject();
        expectPoint(a["stemUpSE"], info.anchors.stemUpSE, "stemUpSE", info.name);
        expectPoint(a["stemDownNW"], info.anchors.stemDownNW, "stemDownNW", info.name);
        expectPoint(a["stemUpNW"], info.anchors.stemUpNW, "stemUpNW", info.name);
        expectPoint(a["stemDownSW"], info.anchors.stemDownSW, "stemDownSW", info.name);
        expectPoint(a["opticalCenter"], info.anchors.opticalCenter, "opticalCenter", info.name);
    }
    const QJsonObject defaults = meta["engravingDefaults"].toObject();
    const std::pair<const char*, double> expected[] = {
        {"staffLineThickness", kEngraving.staffLineThickness},
        {"stemThickness", kEngraving.stemThickness},
        {"legerLineThickness", kEngraving.legerLineThickness},
        {"legerLineExtension", kEngraving.legerLineExtension},
        {"beamThickness", kEngraving.beamThickness},
        {"beamSpacing", kEngraving.beamSpacing},
        {"thinBarlineThickness", kEngraving.thinBarlineThickness},
        {"thickBarlineThickness", kEngraving.thickBarlineThickness},
        {"barlineSeparation", kEngraving.barlineSeparation},
        {"bracketThickness", kEngraving.bracketThickness},
        {"tieEndpointThickness", kEngraving.tieEndpointThickness},
        {"tieMidpointThickness", kEngraving.tieMidpointThickness},
        {"tupletBracketThickness", kEngraving.tupletBracketThickness},
        {"octaveLineThickness", kEngraving.octaveLineThickness},
    };
    for (const auto& [name, value] : expected) {
        EXPECT_DOUBLE_EQ(value, defaults[name].toDouble()) << name;
    }
}

TEST(SmuflTable, EachCodePointDrawsTheGlyphOfItsBox) {
    const double em = 1000;
    const QRawFont font(QStringLiteral(CORVANE_BRAVURA_DIR "/bravura.otf"), em);
    ASSERT_TRUE(font.isValid());
    const double space = em / kSpacesPerEm;
    for (int i = 0; i < static_cast<int>(Sym::Count); ++i) {
        const SymInfo& info = symInfo(static_cast<Sym>(i));
        const char32_t ucs4[] = {info.codePoint};
        const QList<quint32> glyphs = font.glyphIndexesForString(QString::fromUcs4(ucs4, 1));
        ASSERT_EQ(glyphs.size(), 1);
        ASSERT_NE(glyphs.front(), 0u) << info.name;
        // The font's y points down; the metadata's up. Its boxes are rounded a little (by up to
        // 0.025 spaces for flag16thDown).
        const QRectF box = font.boundingRect(glyphs.front());
        EXPECT_NEAR(box.left() / space, info.box.left, kBoxTolerance) << info.name;
        EXPECT_NEAR(box.right() / space, info.box.right, kBoxTolerance) << info.name;
        EXPECT_NEAR(-box.bottom() / space, info.box.bottom, kBoxTolerance) << info.name;
        EXPECT_NEAR(-box.top() / space, info.box.top, kBoxTolerance) << info.name;
        EXPECT_NEAR(font.advancesForGlyphIndexes(glyphs).front().x() / space, info.advance, 0.01)
            << info.name;
    }
}

// Two heads share a box: the half note's is the hollow one.
TEST(SmuflTable, TheHalfNoteHeadIsHollowAndTheBlackOneFilled) {
    const QRawFont font(QStringLiteral(CORVANE_BRAVURA_DIR "/bravura.otf"), 200);
    const auto centreIsInked = [&](Sym sym) {
        QImage image(100, 100, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        QGlyphRun run;
        run.setRawFont(font);
        const char32_t ucs4[] = {symInfo(sym).codePoint};
        run.setGlyphIndexes(font.glyphIndexesForString(QString::fromUcs4(ucs4, 1)));
        run.setPositions({QPointF(10, 50)});
        painter.drawGlyphRun(QPointF(0, 0), run);
        painter.end();
        // The head is 1.18 spaces (59 pixels) wide and one space high, centred on y = 50.
        return qGray(image.pixel(10 + 29, 50)) < 128;
    };
    EXPECT_TRUE(centreIsInked(Sym::NoteheadBlack));
    EXPECT_FALSE(centreIsInked(Sym::NoteheadHalf));
}

}  // namespace
}  // namespace corvane::engrave
