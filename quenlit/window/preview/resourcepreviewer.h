#pragma once

#include "desktop.h"
#include "checks/checks.h"
#include "checks/menulevels.h"
#include "preview/resourcepreview.h"
#include "sourceresources.h"

#include <QDockWidget>
#include <QObject>

#include <map>
#include <memory>
#include <string>

class QAction;
class QLabel;
class QMainWindow;
class QMenu;
class QScrollArea;
class QThread;
class SettingsStore;
class TokenTable;

namespace quenlit {

class EditorView;
class ProjectDocument;
class ResourcePreviewWidget;

// Reads a master project's source file away from the window, once per
// opening, with the levels of its menus for the checks; the last reading asked
// for is the one told.
class SourceLoader : public QObject
{
    Q_OBJECT

public:
    explicit SourceLoader(QObject *parent = nullptr);
    // Waits for readings still running.
    ~SourceLoader() override;

    // Reads the file and works out the levels of its menus that `masterItems`
    // (the master table's) still match.
    void load(const SourceFileRequest &request, MenuLevels::MasterItems masterItems);
    // Forgets the reading in progress; nothing will be told of it.
    void cancel();
    bool loading() const { return m_loading; }
    // Waits until the reading asked for last is told (for tests and benchmarks).
    bool waitForLoaded(int milliseconds);

signals:
    void loaded(std::shared_ptr<const SourceResources> resources, std::shared_ptr<const MenuLevels> levels);

private:
    std::vector<QThread *> m_threads;
    unsigned m_generation = 0;
    bool m_loading = false;
};

// Measures a dialog token's text in its control as the preview draws it: the
// dialog's font (or the sans-serif font standing in for it) and its base units.
class DialogFitMeasure : public ControlFitMeasure
{
public:
    DialogFitMeasure();
    ~DialogFitMeasure() override;
    // Null for none: nothing is measured.
    void setSource(std::shared_ptr<const SourceResources> source, const TokenTable *project);
    std::optional<ControlFit> measure(std::size_t row, std::u16string_view translation) const override;

private:
    struct Measured;
    std::shared_ptr<const SourceResources> m_source;
    const TokenTable *m_project = nullptr;
    mutable std::map<std::string, std::unique_ptr<Measured>, std::less<>> m_fonts;
};

// The translator sees what the selected token is: where it lives, on the status
// bar ("Dialog 101, control 1002 (3rd)"), and in the "Preview" dock the dialog
// or menu it belongs to, drawn from the master project's source file with the
// project's texts, following every keystroke in the translation box. The dock's
// shown state and place are kept in the settings ("PreviewVisible", "PreviewArea").
class ResourcePreviewer : public QObject
{
    Q_OBJECT

public:
    // The dock goes into `window`, its toggle into `menu`; `place` is the status
    // bar's field where the token lives. `desktop` tells where the screens are,
    // so that showing the dock never makes the window larger than its screen.
    // The document, the view, the settings and the desktop are not owned.
    ResourcePreviewer(QMainWindow &window, ProjectDocument &document, EditorView &view, QMenu *menu, QLabel *place,
                      SettingsStore &settings, Desktop &desktop);

    // The document's project was opened: its source file starts being read.
    void projectOpened();
    // Called before the tables are emptied or replaced.
    void projectClosed();
    // The pane shows this row now (0: none).
    void paneShows(std::size_t row);
    // Writes the dock's state to the settings.
    void store() const;

    QDockWidget *dock() const { return m_dock; }
    ResourcePreviewWidget *view() const { return m_view; }
    QLabel *placeLabel() const { return m_place; }
    // The one line shown instead of a drawing ("No preview: ..."), empty when drawn.
    QString message() const;
    QAction *toggleAction() const;
    SourceLoader &loader() { return m_loader; }
    const SourceResources *source() const { return m_source.get(); }
    // Measures dialog texts in their controls as the dock draws them.
    const ControlFitMeasure &fitMeasure() const { return m_fit; }

signals:
    // The source file was read: dialog texts can be measured now.
    void fitMeasureChanged();
    // The levels of the source file's menus, for the checks.
    void menuLevelsRead(const MenuLevels &levels);

private:
    void sourceLoaded(std::shared_ptr<const SourceResources> resources, std::shared_ptr<const MenuLevels> levels);
    void refresh();
    void typed();

    void widenForTheDock();

    QMainWindow &m_window;
    ProjectDocument &m_document;
    EditorView &m_editor;
    SettingsStore &m_settings;
    Desktop &m_desktop;
    QDockWidget *m_dock = nullptr;
    QLabel *m_title = nullptr;
    QLabel *m_message = nullptr;
    QScrollArea *m_scroll = nullptr;
    ResourcePreviewWidget *m_view = nullptr;
    QLabel *m_place = nullptr;
    SourceLoader m_loader;
    DialogFitMeasure m_fit;
    std::shared_ptr<const SourceResources> m_source;
    ResourceRows m_rows;
    std::unique_ptr<PreviewTexts> m_texts;
    bool m_open = false;
    std::size_t m_row = 0;
};

} // namespace quenlit
