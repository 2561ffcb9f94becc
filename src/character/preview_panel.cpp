#include "character/preview_panel.h"

#include "controls/classic_fonts.h"
#include "controls/classic_frame.h"
#include "controls/placement.h"
#include "game/regedit.h"
#include "game/save_layout.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPixmap>

namespace quillmere::character {

namespace {

using controls::twipsSize;

struct Portrait {
    game::CharacterClass cls;
    const char* objectName;
    const char* image;
};

// Control order: Paladin and Barbarian are not in class-code order.
constexpr std::array<Portrait, 8> kPortraits = {{
    {game::CharacterClass::Amazon, "Picture2", ":/images/portrait_amazon.gif"},
    {game::CharacterClass::Sorceress, "Picture3", ":/images/portrait_sorceress.gif"},
    {game::CharacterClass::Necromancer, "Picture4", ":/images/portrait_necromancer.gif"},
    {game::CharacterClass::Barbarian, "Picture5", ":/images/portrait_barbarian.gif"},
    {game::CharacterClass::Paladin, "Picture6", ":/images/portrait_paladin.gif"},
    {game::CharacterClass::Druid, "Picture7", ":/images/portrait_druid.gif"},
    {game::CharacterClass::Assassin, "Picture8", ":/images/portrait_assassin.gif"},
    {game::CharacterClass::Warlock, "Picture9", ":/images/portrait_warlock.gif"},
}};

constexpr int kPortraitBorderPixels = 2;

// Auto-sized labels keep their top left corner and grow to the right with their text.
void setAutoSizedText(QLabel* label, const QString& text) {
    label->setText(text);
    label->adjustSize();
}

// Classic labels draw their text from the top of the control, not its middle.
QLabel* makeLabel(QWidget* parent, const char* objectName, const QString& text, const QRect& twipsGeometry) {
    auto* label = controls::place(new QLabel(text, parent), objectName, twipsGeometry);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QFont placeholderFont() {
    return controls::classicFont(QStringLiteral("Arial"), 20.25, true);
}

QFont captionFont() {
    return controls::classicFont(QStringLiteral("MS Sans Serif"), 8.25, true);
}

} // namespace

void PreviewPanel::preloadFonts() {
    for (const QFont& font : {placeholderFont(), captionFont()})
        QFontMetrics(font).height();
}

PreviewPanel::PreviewPanel(Variant variant, QWidget* parent)
    : QGroupBox(tr("Preview"), parent)
    , m_variant(variant) {
    setObjectName(QStringLiteral("Frame2"));
    setFixedSize(twipsSize({1815, 1575}));
    controls::useClassicFrame(this);

    const bool main = variant == Variant::MainWindow;

    // Created first so that it lies beneath the portraits: a visible portrait covers it.
    m_placeholder = makeLabel(this, main ? "Label2" : "Label3", QString(), {480, 360, 705, 480});
    m_placeholder->setFont(placeholderFont());
    setAutoSizedText(m_placeholder, tr("N/A"));

    for (const Portrait& portrait : kPortraits) {
        auto* box = makeLabel(this, portrait.objectName, QString(), {480, 240, 750, 675});
        box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        box->setLineWidth(kPortraitBorderPixels);
        box->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        box->hide();
        m_portraits.at(static_cast<std::size_t>(portrait.cls)) = box;
    }

    auto* classCaption = makeLabel(this, "lblCharacterClass", tr("Class:"), {120, 960, 495, 255});
    classCaption->setFont(captionFont());
    auto* levelCaption = makeLabel(this, "lblLevel", tr("Level:"), {120, 1200, 495, 255});
    levelCaption->setFont(captionFont());
    // A substitute font may run wider than the designed one: widen rather than cut the colon off.
    for (QLabel* caption : {classCaption, levelCaption})
        caption->resize(qMax(caption->width(), caption->sizeHint().width()), caption->height());

    // Design-time texts are the controls' own names; ResetPreview replaces them at once.
    const char* classValueName = main ? "Label3" : "Label4";
    const char* levelValueName = main ? "Label4" : "Label5";
    m_classValue = makeLabel(this, classValueName, QLatin1String(classValueName), {720, 960, 480, 195});
    m_levelValue = makeLabel(this, levelValueName, QLatin1String(levelValueName), {720, 1200, 480, 195});

    ResetPreview();
}

void PreviewPanel::ResetPreview() {
    m_placeholder->show();
    setAutoSizedText(m_classValue, tr("N/A"));
    setAutoSizedText(m_levelValue, tr("N/A"));
    setPortrait(std::nullopt);
    showState(QString());
}

void PreviewPanel::ShowCharacterSummary(const game::CharacterSummary& summary) {
    // A missing class code is no class at all (never read as 0, "Amazon").
    if (const std::optional<game::CharacterClass> cls = game::characterClass(summary)) {
        setAutoSizedText(m_classValue, game::className(*cls));
        setPortrait(cls);
    }
    if (summary.level)
        setAutoSizedText(m_levelValue, QString::number(*summary.level));
    // The state belongs to this file alone: a file that does not tell clears the last one's.
    showState(game::stateDescription(summary));
}

void PreviewPanel::PreviewSelection(const QString& selectedFileName) {
    if (selectedFileName.isEmpty())
        return;
    setVisible(true);
    ShowCharacterSummary(game::ReadCharacterFile(regedit::saveFolder(), selectedFileName));
}

void PreviewPanel::PreviewSelection(const QString& listedFolder, const QString& selectedFileName) {
    if (selectedFileName.isEmpty())
        return;
    ResetPreview();
    ShowCharacterSummary(game::ReadCharacterFile(listedFolder, selectedFileName));
}

void PreviewPanel::showState(const QString& description) {
    setToolTip(description);
    setAccessibleDescription(description);
}

void PreviewPanel::setPortrait(std::optional<game::CharacterClass> shown) {
    for (const Portrait& portrait : kPortraits) {
        QLabel* box = m_portraits.at(static_cast<std::size_t>(portrait.cls));
        const bool visible = shown == portrait.cls;
        // Each picture is decoded when first shown: the window opens without waiting for eight.
        if (visible && box->pixmap().isNull())
            box->setPixmap(QPixmap(QLatin1String(portrait.image)));
        box->setVisible(visible);
    }
}

} // namespace quillmere::character
