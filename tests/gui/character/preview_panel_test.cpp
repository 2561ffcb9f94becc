#include "character/preview_panel.h"

#include "controls/classic_fonts.h"

#include "game/regedit.h"
#include "support/d2s_fixtures.h"
#include "support/temp_prefix.h"

#include <QApplication>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QPixmap>

#include <gtest/gtest.h>

namespace quillmere::character {
namespace {

namespace d2s = test::d2s;
using Variant = PreviewPanel::Variant;

const char* const kPortraitNames[] = {"Picture2", "Picture3", "Picture4", "Picture5",
                                      "Picture6", "Picture7", "Picture8", "Picture9"};

struct Names {
    const char* placeholder;
    const char* classValue;
    const char* levelValue;
};

Names namesOf(Variant variant) {
    return variant == Variant::MainWindow ? Names{"Label2", "Label3", "Label4"} : Names{"Label3", "Label4", "Label5"};
}

QLabel* label(const PreviewPanel& panel, const char* name) {
    auto* found = panel.findChild<QLabel*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

QStringList visiblePortraits(const PreviewPanel& panel) {
    QStringList shown;
    for (const char* name : kPortraitNames)
        if (!label(panel, name)->isHidden())
            shown << QLatin1String(name);
    return shown;
}

bool showsEmptyPreview(const PreviewPanel& panel) {
    const Names names = namesOf(panel.variant());
    return !label(panel, names.placeholder)->isHidden() && label(panel, names.classValue)->text() == "N/A" &&
           label(panel, names.levelValue)->text() == "N/A" && visiblePortraits(panel).isEmpty();
}

class PreviewPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_prefix.isValid());
        m_saves = m_prefix.makeFolder(QStringLiteral("Saves"));
        m_prefix.writeSystemReg(QString::fromLatin1(regedit::kGameKey), {{"Save Path", m_saves}});
        m_prefix.writeFile(QStringLiteral("Saves\\Sorc.d2s"), d2s::unsignedFile(1, 12));
        m_prefix.writeFile(QStringLiteral("Saves\\Odd.d2s"), d2s::unsignedFile(9, 40));
    }

    test::TempPrefix m_prefix;
    QString m_saves;
};

TEST(PreviewPanelLayoutTest, StartsEmptyWithTheWindowsControlNames) {
    for (const Variant variant : {Variant::MainWindow, Variant::RestoreDialog}) {
        PreviewPanel panel(variant);
        const Names names = namesOf(variant);
        EXPECT_EQ(panel.objectName(), "Frame2");
        EXPECT_EQ(panel.title(), "Preview");
        EXPECT_EQ(panel.size(), QSize(121, 105));
        EXPECT_TRUE(showsEmptyPreview(panel));
        EXPECT_EQ(label(panel, "lblCharacterClass")->text(), "Class:");
        EXPECT_EQ(label(panel, "lblLevel")->text(), "Level:");

        QLabel* placeholder = label(panel, names.placeholder);
        EXPECT_EQ(placeholder->text(), "N/A");
        EXPECT_EQ(placeholder->pos(), QPoint(32, 24));
        EXPECT_TRUE(placeholder->font().bold());
        EXPECT_DOUBLE_EQ(placeholder->font().pointSizeF(), 20.25);

        for (const char* name : kPortraitNames) {
            QLabel* portrait = label(panel, name);
            EXPECT_EQ(portrait->geometry(), QRect(32, 16, 50, 45)) << name;
            EXPECT_EQ(portrait->contentsRect().size(), QSize(46, 41)) << name;
            // Portraits stack above the placeholder, which must lie wholly beneath them.
            EXPECT_GT(panel.children().indexOf(portrait), panel.children().indexOf(placeholder)) << name;
        }
    }
    EXPECT_EQ(PreviewPanel(Variant::MainWindow).findChild<QLabel*>("Label5"), nullptr);
}

// The row of the frame's top border line as drawn, read right of the caption, where nothing else is.
int topBorderRow(PreviewPanel& panel) {
    const QImage image = panel.grab().toImage();
    const int x = image.width() - 10;
    const QColor background = image.pixelColor(x, 0);
    for (int y = 1; y < image.height(); ++y) {
        if (image.pixelColor(x, y) != background)
            return y;
    }
    return -1;
}

TEST(PreviewPanelLayoutTest, CaptionsShareTheClassicFontAndTopLineOfTheirValuesClearOfTheBorder) {
    const QFont classic = controls::classicFont(QStringLiteral("MS Sans Serif"), 8.25);
    const QFont before = QApplication::font();
    QApplication::setFont(classic); // as the program does at start
    for (const Variant variant : {Variant::MainWindow, Variant::RestoreDialog}) {
        PreviewPanel panel(variant);
        panel.show();
        const Names names = namesOf(variant);
        for (const auto& [caption, value] :
             {std::pair{"lblCharacterClass", names.classValue}, std::pair{"lblLevel", names.levelValue}}) {
            QLabel* captionLabel = label(panel, caption);
            QLabel* valueLabel = label(panel, value);
            EXPECT_EQ(QFontInfo(captionLabel->font()).family(), QFontInfo(valueLabel->font()).family()) << caption;
            EXPECT_TRUE(captionLabel->font().bold()) << caption;
            EXPECT_EQ(captionLabel->y(), valueLabel->y()) << caption;
            EXPECT_TRUE(captionLabel->alignment() & Qt::AlignTop) << caption;
            EXPECT_TRUE(valueLabel->alignment() & Qt::AlignTop) << caption;
        }
        // The portraits sit inside the frame, clear of its top border line.
        const int border = topBorderRow(panel);
        ASSERT_GE(border, 0);
        for (const char* name : kPortraitNames)
            EXPECT_GT(label(panel, name)->y(), border + 1) << name;
    }
    QApplication::setFont(before);
}

TEST(PreviewPanelShowTest, EachClassShowsItsNameAndOnlyItsPortrait) {
    struct Case {
        game::CharacterSummary summary;
        const char* name;
        const char* portrait;
    };
    const Case cases[] = {
        {{0, 1, game::Layout::Classic, {}}, "Amazon", "Picture2"},
        {{1, 1, game::Layout::Classic, {}}, "Sorceress", "Picture3"},
        {{2, 1, game::Layout::Classic, {}}, "Necromancer", "Picture4"},
        {{3, 1, game::Layout::Classic, {}}, "Paladin", "Picture6"},
        {{4, 1, game::Layout::Classic, {}}, "Barbarian", "Picture5"},
        {{5, 1, game::Layout::Expansion109, 96}, "Druid", "Picture7"},
        {{6, 1, game::Layout::Expansion109, 96}, "Assassin", "Picture8"},
        {{7, 1, game::Layout::Resurrected105, 105}, "Warlock", "Picture9"},
    };
    PreviewPanel panel(Variant::MainWindow);
    for (const Case& c : cases) {
        panel.ShowCharacterSummary(c.summary);
        QLabel* value = label(panel, "Label3");
        EXPECT_EQ(value->text(), c.name);
        EXPECT_EQ(visiblePortraits(panel), QStringList{c.portrait}) << c.name;
        EXPECT_EQ(label(panel, c.portrait)->pixmap().size(), QSize(46, 41)) << c.name;
        // The value label grows to the right from where it was placed.
        EXPECT_EQ(value->pos(), QPoint(48, 64));
        EXPECT_GE(value->width(), value->fontMetrics().horizontalAdvance(value->text()));
    }
}

TEST(PreviewPanelShowTest, LevelZeroShowsAsZero) {
    PreviewPanel panel(Variant::MainWindow);
    panel.ShowCharacterSummary({std::nullopt, 0, game::Layout::Classic, {}});
    EXPECT_EQ(label(panel, "Label4")->text(), "0");
}

TEST_F(PreviewPanelTest, MainWindowKeepsTheClassTheNextFileDoesNotNameAndShowsItsLevel) {
    PreviewPanel panel(Variant::MainWindow);
    panel.PreviewSelection(QStringLiteral("Sorc.d2s"));
    panel.PreviewSelection(QStringLiteral("Odd.d2s"));
    EXPECT_EQ(label(panel, "Label3")->text(), "Sorceress");
    EXPECT_EQ(visiblePortraits(panel), QStringList{"Picture3"});
    EXPECT_EQ(label(panel, "Label4")->text(), "40");
}

// A file that cannot be read names no class: never "Amazon".
TEST_F(PreviewPanelTest, MainWindowKeepsEverythingForAFileThatCannotBeRead) {
    PreviewPanel panel(Variant::MainWindow);
    panel.PreviewSelection(QStringLiteral("Odd.d2s"));
    panel.PreviewSelection(QStringLiteral("Sorc.d2s"));
    panel.PreviewSelection(QStringLiteral("Missing.d2s"));
    EXPECT_EQ(label(panel, "Label3")->text(), "Sorceress");
    EXPECT_EQ(label(panel, "Label4")->text(), "12");
    EXPECT_EQ(visiblePortraits(panel), QStringList{"Picture3"});
}

TEST_F(PreviewPanelTest, MainWindowKeepsEverythingForAnEmptySelection) {
    PreviewPanel panel(Variant::MainWindow);
    panel.PreviewSelection(QStringLiteral("Sorc.d2s"));
    panel.PreviewSelection(QString());
    EXPECT_EQ(label(panel, "Label3")->text(), "Sorceress");
    EXPECT_EQ(label(panel, "Label4")->text(), "12");
}

TEST_F(PreviewPanelTest, ResetGoesBackToTheEmptyPreview) {
    PreviewPanel panel(Variant::MainWindow);
    panel.PreviewSelection(QStringLiteral("Sorc.d2s"));
    panel.ResetPreview();
    EXPECT_TRUE(showsEmptyPreview(panel));
}

// Both panels, each previewing files of the save folder its own way.
class PreviewPanelStateTest : public PreviewPanelTest, public ::testing::WithParamInterface<Variant> {
protected:
    void SetUp() override {
        PreviewPanelTest::SetUp();
        m_prefix.writeFile(QStringLiteral("Saves\\Dead.d2s"), d2s::stateFile(99, 3, 60, 0x2c));
        m_prefix.writeFile(QStringLiteral("Saves\\Odd105.d2s"), d2s::stateFile(105, 9, 61, 0x20));
    }

    void select(const char* name) {
        if (GetParam() == Variant::MainWindow)
            m_panel.PreviewSelection(QLatin1String(name));
        else
            m_panel.PreviewSelection(m_saves, QLatin1String(name));
    }

    PreviewPanel m_panel{GetParam()};
};

INSTANTIATE_TEST_SUITE_P(BothPanels, PreviewPanelStateTest,
                         ::testing::Values(Variant::MainWindow, Variant::RestoreDialog),
                         [](const ::testing::TestParamInfo<Variant>& variant) {
                             return variant.param == Variant::MainWindow ? "MainWindow" : "RestoreDialog";
                         });

TEST_P(PreviewPanelStateTest, TheStateIsTheTooltipAndTheAccessibleDescription) {
    select("Dead.d2s");
    EXPECT_EQ(m_panel.toolTip(), "Hardcore, expansion, died: this character can no longer be played");
    EXPECT_EQ(m_panel.accessibleDescription(), m_panel.toolTip());
}

TEST_P(PreviewPanelStateTest, AClassTheProgramCannotNameStillHasAStateOfItsOwn) {
    select("Dead.d2s");
    select("Odd105.d2s");
    EXPECT_EQ(m_panel.toolTip(), "Softcore, expansion");
}

TEST_P(PreviewPanelStateTest, AFileOfTheOldLayoutSaysNothingAndTheLastStateIsNotKept) {
    select("Dead.d2s");
    select("Sorc.d2s");
    EXPECT_EQ(m_panel.toolTip(), QString());
    EXPECT_EQ(m_panel.accessibleDescription(), QString());
}

TEST_P(PreviewPanelStateTest, ResetClearsTheStateAndKeepsTheSize) {
    const QSize size = m_panel.size();
    select("Dead.d2s");
    m_panel.ResetPreview();
    EXPECT_EQ(m_panel.toolTip(), QString());
    EXPECT_EQ(m_panel.size(), size);
}

TEST_F(PreviewPanelTest, MainWindowLooksTheSaveFolderUpForEverySelection) {
    const QString other = m_prefix.makeFolder(QStringLiteral("Other"));
    m_prefix.writeFile(QStringLiteral("Other\\Sorc.d2s"), d2s::unsignedFile(4, 77));
    PreviewPanel panel(Variant::MainWindow);
    panel.PreviewSelection(QStringLiteral("Sorc.d2s"));
    EXPECT_EQ(label(panel, "Label3")->text(), "Sorceress");

    m_prefix.writeSystemReg(QString::fromLatin1(regedit::kGameKey), {{"Save Path", other + QLatin1Char('\\')}});
    panel.PreviewSelection(QStringLiteral("Sorc.d2s"));
    EXPECT_EQ(label(panel, "Label3")->text(), "Barbarian");
    EXPECT_EQ(label(panel, "Label4")->text(), "77");
}

TEST_F(PreviewPanelTest, RestoreDialogPreviewsTheListedFolderNotTheSaveFolder) {
    const QString backup = m_prefix.makeFolder(QStringLiteral("Backup"));
    m_prefix.writeFile(QStringLiteral("Backup\\Sorc.d2s"), d2s::unsignedFile(2, 5));
    PreviewPanel panel(Variant::RestoreDialog);
    panel.PreviewSelection(backup, QStringLiteral("Sorc.d2s"));
    EXPECT_EQ(label(panel, "Label4")->text(), "Necromancer");
    EXPECT_EQ(label(panel, "Label5")->text(), "5");
}

TEST_F(PreviewPanelTest, RestoreDialogLeavesThePanelAsItWasForAnEmptySelection) {
    PreviewPanel panel(Variant::RestoreDialog);
    panel.PreviewSelection(m_saves, QStringLiteral("Sorc.d2s"));
    panel.PreviewSelection(m_saves, QString());
    EXPECT_EQ(label(panel, "Label4")->text(), "Sorceress");
    EXPECT_EQ(label(panel, "Label5")->text(), "12");
}

// Unlike the main window's, the restore dialog's panel empties before every read.
TEST_F(PreviewPanelTest, RestoreDialogSaysNAForAClassNamedByNoCodeAndStillShowsTheLevel) {
    PreviewPanel panel(Variant::RestoreDialog);
    panel.PreviewSelection(m_saves, QStringLiteral("Sorc.d2s"));
    panel.PreviewSelection(m_saves, QStringLiteral("Odd.d2s"));
    EXPECT_EQ(label(panel, "Label4")->text(), "N/A");
    EXPECT_TRUE(visiblePortraits(panel).isEmpty());
    EXPECT_FALSE(label(panel, "Label3")->isHidden());
    EXPECT_EQ(label(panel, "Label5")->text(), "40");
}

TEST_F(PreviewPanelTest, RestoreDialogEmptiesForAFileThatCannotBeRead) {
    PreviewPanel panel(Variant::RestoreDialog);
    panel.PreviewSelection(m_saves, QStringLiteral("Sorc.d2s"));
    panel.PreviewSelection(m_saves, QStringLiteral("Missing.d2s"));
    EXPECT_TRUE(showsEmptyPreview(panel));
}

TEST(PreviewPanelShowTest, EachClassShowsItsOwnPicture) {
    const std::pair<std::uint8_t, const char*> pictures[] = {
        {0, ":/images/portrait_amazon.gif"},      {1, ":/images/portrait_sorceress.gif"},
        {2, ":/images/portrait_necromancer.gif"}, {3, ":/images/portrait_paladin.gif"},
        {4, ":/images/portrait_barbarian.gif"},   {5, ":/images/portrait_druid.gif"},
        {6, ":/images/portrait_assassin.gif"},
    };
    for (const Variant variant : {Variant::MainWindow, Variant::RestoreDialog}) {
        PreviewPanel panel(variant);
        for (const auto& [code, resource] : pictures) {
            panel.ShowCharacterSummary({code, 1, game::Layout::Expansion109, 96});
            const QStringList shown = visiblePortraits(panel);
            ASSERT_EQ(shown.size(), 1) << resource;
            const QImage image = label(panel, qPrintable(shown[0]))->pixmap().toImage();
            const QImage expected = QPixmap(QLatin1String(resource)).toImage();
            EXPECT_EQ(image.convertToFormat(QImage::Format_ARGB32), expected.convertToFormat(QImage::Format_ARGB32))
                << resource;
        }
    }
}

TEST_F(PreviewPanelTest, LevelsAboveOneHundredAndTwentySevenShowAsStored) {
    PreviewPanel main(Variant::MainWindow);
    PreviewPanel restore(Variant::RestoreDialog);
    for (const int level : {127, 128, 200, 255}) {
        const QString name = QStringLiteral("L%1.d2s").arg(level);
        m_prefix.writeFile(QStringLiteral("Saves\\") + name, d2s::unsignedFile(3, static_cast<quint8>(level)));
        main.PreviewSelection(name);
        EXPECT_EQ(label(main, "Label4")->text(), QString::number(level));
        restore.PreviewSelection(m_saves, name);
        EXPECT_EQ(label(restore, "Label5")->text(), QString::number(level));
    }
}

} // namespace
} // namespace quillmere::character
