#include "character/preview_panel.h"

#include "character/save_layout.h"
#include "platform/classic_fonts.h"
#include "platform/classic_frame.h"
#include "platform/twips.h"
#include "support/registry.h"

#include <QLabel>
#include <QPixmap>

namespace quillmere::character {

namespace {

using platform::twipsRect;
using platform::twipsSize;

struct Portrait {
    CharacterClass cls;
    const char* objectName;
    const char* image;
};

// Control order: Paladin and Barbarian are not in class-code order.
constexpr std::array<Portrait, 8> kPortraits = {{
    {CharacterClass::Amazon, "Picture2", ":/images/portrait_amazon.gif"},
    {CharacterClass::Sorceress, "Picture3", ":/images/portrait_sorceress.gif"},
    {CharacterClass::Necromancer, "Picture4", ":/images/portrait_necromancer.gif"},
    {CharacterClass::Barbarian, "Picture5", ":/images/portrait_barbarian.gif"},
    {CharacterClass::Paladin, "Picture6", ":/images/portrait_paladin.gif"},
    {CharacterClass::Druid, "Picture7", ":/images/portrait_druid.gif"},
    {CharacterClass::Assassin, "Picture8", ":/images/portrait_assassin.gif"},
    {CharacterClass::Warlock, "Picture9", ":/images/portrait_warlock.gif"},
}};

constexpr int kPortraitBorderPixels = 2;

// Auto-sized labels keep their top left corner and grow to the right with their text.
void setAutoSizedText(QLabel* label, const QString& text) {
    label->setText(text);
    label->adjustSize();
}

// Classic labels draw their text from the top of the control, not its middle.
QLabel* makeLabel(QWidget* parent, const char* objectName, const QString& text, const QRect& rect) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(objectName));
    label->setGeometry(rect);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

} // namespace

PreviewPanel::PreviewPanel(Variant variant, QWidget* parent)
    : QGroupBox(tr("Preview"), parent)
    , m_variant(variant) {
    setObjectName(QStringLiteral("Frame2"));
    setFixedSize(twipsSize(1815, 1575));
    platform::useClassicFrame(this);

    const bool main = variant == Variant::MainWindow;

    // Created first so that it lies beneath the portraits: a visible portrait covers it.
    m_placeholder = makeLabel(this, main ? "Label2" : "Label3", QString(), twipsRect(480, 360, 705, 480));
    m_placeholder->setFont(platform::classicFont(QStringLiteral("Arial"), 20.25, true));
    setAutoSizedText(m_placeholder, tr("N/A"));

    for (const Portrait& portrait : kPortraits) {
        auto* box = makeLabel(this, portrait.objectName, QString(), twipsRect(480, 240, 750, 675));
        box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        box->setLineWidth(kPortraitBorderPixels);
        box->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        box->setPixmap(QPixmap(QLatin1String(portrait.image)));
        box->hide();
        m_portraits.at(static_cast<std::size_t>(portrait.cls)) = box;
    }

    const QFont captionFont = platform::classicFont(QStringLiteral("MS Sans Serif"), 8.25, true);
    auto* classCaption = makeLabel(this, "lblCharacterClass", tr("Class:"), twipsRect(120, 960, 495, 255));
    classCaption->setFont(captionFont);
    auto* levelCaption = makeLabel(this, "lblLevel", tr("Level:"), twipsRect(120, 1200, 495, 255));
    levelCaption->setFont(captionFont);
    // A substitute font may run wider than the designed one: widen rather than cut the colon off.
    for (QLabel* caption : {classCaption, levelCaption})
        caption->resize(qMax(caption->width(), caption->sizeHint().width()), caption->height());

    // Design-time texts are the controls' own names; ResetPreview replaces them at once.
    const char* classValueName = main ? "Label3" : "Label4";
    const char* levelValueName = main ? "Label4" : "Label5";
    m_classValue = makeLabel(this, classValueName, QLatin1String(classValueName), twipsRect(720, 960, 480, 195));
    m_levelValue = makeLabel(this, levelValueName, QLatin1String(levelValueName), twipsRect(720, 1200, 480, 195));

    ResetPreview();
}

void PreviewPanel::ResetPreview() {
    m_placeholder->show();
    setAutoSizedText(m_classValue, tr("N/A"));
    setAutoSizedText(m_levelValue, tr("N/A"));
    setPortrait(std::nullopt);
    showState(QString());
}

void PreviewPanel::ShowCharacterSummary(const CharacterSummary& summary) {
    // A missing class code is no class at all (never read as 0, "Amazon").
    if (const std::optional<CharacterClass> cls = characterClass(summary)) {
        setAutoSizedText(m_classValue, className(*cls));
        setPortrait(cls);
    }
    if (summary.level)
        setAutoSizedText(m_levelValue, QString::number(*summary.level));
    // The state belongs to this file alone: a file that does not tell clears the last one's.
    showState(stateDescription(summary));
}

void PreviewPanel::PreviewSelection(const QString& selectedFileName) {
    if (selectedFileName.isEmpty())
        return;
    setVisible(true);
    ShowCharacterSummary(ReadCharacterFile(regedit::saveFolder(), selectedFileName));
}

void PreviewPanel::PreviewSelection(const QString& listedFolder, const QString& selectedFileName) {
    if (selectedFileName.isEmpty())
        return;
    ResetPreview();
    ShowCharacterSummary(ReadCharacterFile(listedFolder, selectedFileName));
}

void PreviewPanel::showState(const QString& description) {
    setToolTip(description);
    setAccessibleDescription(description);
}

void PreviewPanel::setPortrait(std::optional<CharacterClass> shown) {
    for (const Portrait& portrait : kPortraits) {
        QLabel* box = m_portraits.at(static_cast<std::size_t>(portrait.cls));
        box->setVisible(shown == portrait.cls);
    }
}

} // namespace quillmere::character
