#pragma once

#include "adminlayout.h"
#include "jobcommands.h"
#include "placement.h"
#include "qtext.h"

#include <QLocale>
#include <QWidget>

#include <optional>
#include <string>
#include <vector>

class BatchRunner;
class ProgramHelp;
class ConsoleWindow;
class Desktop;
class QDateTime;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class SettingsStore;

namespace sardenne {

// The administrator's one window. It owns the master values and the rows of the
// language list, replaced by each successful opening of a master project.
class FrmPrinc : public QWidget
{
    Q_OBJECT

public:
    // Columns of the language list, in order.
    enum LangColumn
    {
        KEY_LANG,
        KEY_LANGID,
        KEY_LANGSUBID,
        KEY_TOKENFILE,
        KEY_MODIF,
        KEY_EXEFILE,
        KEY_PRJFILE
    };
    // The bytes behind a cell: the hidden values of the KEY_TOKENFILE and
    // KEY_EXEFILE cells (the lines read), and the bytes that the KEY_LANGID,
    // KEY_LANGSUBID and KEY_PRJFILE cells show. The jobs take these.
    static constexpr int TagRole = Qt::UserRole;
    // The code page of the row's language, on the KEY_LANG column.
    static constexpr int CodePageRole = Qt::UserRole + 1;

    // Neither is owned; both must outlive the window. `programFolder` is the
    // folder of the running program: it holds the token editor, and the batch
    // interpreter and our RLTools are found from it (ProgramPlaces).
    FrmPrinc(Desktop &desktop, SettingsStore &settings, const QString &programFolder, QWidget *parent = nullptr);
    ~FrmPrinc() override;

    // The command-line argument text as bytes, as the system gave them.
    void start(const std::string &commandLine);
    void start(const QString &commandLine) { start(ToPath(commandLine)); }

    // The path as bytes; it is decoded only for display.
    void OpenMasterProject(const std::string &path);
    // A path chosen in a dialog.
    void OpenMasterProject(const QString &path);
    void PrintOutput(const QString &line);
    BatchRunner &runner() const { return *m_runner; }
    ProgramHelp &help() const { return *m_help; }
    void TermineApp();

    const std::string &masterFirstLine() const { return m_masterFirstLine; }
    const std::string &masterFileName() const { return m_masterFileName; }
    const std::string &masterFolder() const { return m_masterFolder; }
    const AdminLayout &layoutTwips() const { return m_layout; }
    int startState() const { return m_restored.state; }
    QString outputText() const;

    static QString GeneralDate(const QDateTime &time, const QLocale &locale = QLocale());

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void btOpenProj_Click();
    void btActu_Click();
    void btExport_Click();
    void btImport_Click();
    void btEdit_Click();
    void btAdmin_Click();
    void lvLang_DblClick();

    void createControls();
    void applyLayout();
    void onActivate();
    std::vector<JobRow> selectedRows() const;
    // The RLTools folder for a command: a bare prefix, as bytes.
    std::string rlFolder() const;
    // Whether txtRLPath shows the stored folder unedited.
    bool rlPathAsStored() const;
    void runJob(const std::vector<JobStep> &steps);

    Desktop &m_desktop;
    SettingsStore &m_settings;
    Twips m_twips;
    QString m_programFolder;
    AdminLayout m_layout;

    // Master values, empty until the first successful opening.
    std::string m_masterPath;
    std::string m_masterFirstLine;
    std::string m_masterFileName;
    std::string m_masterFolder;

    QLineEdit *txtFileName = nullptr;
    QPushButton *btOpenProj = nullptr;
    QLineEdit *txtRLPath = nullptr;
    QTreeWidget *lvLang = nullptr;
    QGroupBox *frmInfo = nullptr;
    QPushButton *btActu = nullptr;
    QPushButton *btAdmin = nullptr;
    QPushButton *btEdit = nullptr;
    QPushButton *btImport = nullptr;
    QPushButton *btExport = nullptr;
    QPlainTextEdit *txtOutput = nullptr;
    QLabel *labInfo[2] = {};

    ConsoleWindow *m_console = nullptr;
    ProgramHelp *m_help = nullptr;
    BatchRunner *m_runner = nullptr;
    // The stored RLTools folder, as bytes, and as txtRLPath shows it.
    std::optional<ShownBytes> m_storedRLPath;
    std::string m_commandLine;
    RestoredPlacement m_restored;
    bool m_activated = false;
    bool m_ended = false;
};

} // namespace sardenne
