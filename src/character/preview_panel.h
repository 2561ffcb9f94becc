#pragma once

#include "game/character_file.h"

#include <QGroupBox>

#include <array>

class QLabel;

namespace quillmere::character {

// The "Preview" frame (Frame2) beside a window's file list: a class portrait, the class name and
// the level of the selected character file. The main window and the restore dialog build it from
// the same controls; only three object names and the selection behaviour differ.
class PreviewPanel final : public QGroupBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PreviewPanel)
public:
    enum class Variant {
        MainWindow,
        RestoreDialog,
    };

    // Starts in the empty preview. The owner places the frame (its size is fixed).
    explicit PreviewPanel(Variant variant, QWidget* parent = nullptr);

    Variant variant() const { return m_variant; }

    // Loads the panel's own fonts ahead of the first panel, which then finds them loaded.
    static void preloadFonts();

    // Back to the empty preview: placeholder shown, class and level "N/A", no portrait.
    void ResetPreview();
    // Applies one read. A class the file does not name leaves the class display alone, and a
    // missing level leaves the level text alone.
    void ShowCharacterSummary(const game::CharacterSummary& summary);

    // Main window: reads the selection from the save folder, looked up afresh every time; the
    // panel is not emptied first, so what the file lacks keeps showing the previous character.
    void PreviewSelection(const QString& selectedFileName);
    // Restore dialog: empties the panel, then reads the selection from the folder the dialog lists.
    void PreviewSelection(const QString& listedFolder, const QString& selectedFileName);

private:
    void setPortrait(std::optional<game::CharacterClass> shown);
    // The character's state, on the panel's tooltip and accessible description; the layout stays.
    void showState(const QString& description);

    Variant m_variant;
    QLabel* m_placeholder = nullptr;
    QLabel* m_classValue = nullptr;
    QLabel* m_levelValue = nullptr;
    std::array<QLabel*, 8> m_portraits{}; // indexed by CharacterClass
};

} // namespace quillmere::character
