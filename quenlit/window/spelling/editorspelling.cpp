#include "window/spelling/editorspelling.h"

#include "checks/lookups.h"
#include "window/checks/editorchecks.h"
#include "window/editorview.h"
#include "window/projectdocument.h"
#include "window/tokenlistview.h"
#include "window/translatorflow.h"

#include "datafolder.h"
#include "languagecodepage.h"
#include "languagetag.h"
#include "projectfiles.h"
#include "qtext.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTextCharFormat>

#include <filesystem>
#include <system_error>

namespace quenlit {

namespace {

const char *const kRowProperty = "spellingRow";

std::vector<spelling::Misspelling> checkText(spelling::Speller *speller, const QString &text, const QString &master,
                                             bool withSuggestions = false)
{
    if (!speller || text.isEmpty())
        return {};
    return speller->check(text.toStdU16String(), master.toStdU16String(), withSuggestions);
}

} // namespace

EditorSpelling::EditorSpelling(QObject *parent) : QObject(parent) {}

EditorSpelling::~EditorSpelling()
{
    if (m_loader.joinable())
        m_loader.join();
}

void EditorSpelling::attach(ProjectDocument &document, EditorView &, TranslatorFlow &flow, EditorChecks &checks,
                            QLineEdit *box, TokenItemDelegate *delegate)
{
    m_document = &document;
    m_flow = &flow;
    m_checks = &checks;
    m_box = box;
    watch(box, 0);
    connect(delegate, &TokenItemDelegate::editorOpened, this, [this](QLineEdit *editor, std::size_t row) {
        m_editor = editor;
        watch(editor, row);
    });
}

void EditorSpelling::watch(QLineEdit *line, std::size_t row)
{
    line->setProperty(kRowProperty, QVariant::fromValue<qulonglong>(row));
    line->installEventFilter(this);
    line->setContextMenuPolicy(Qt::DefaultContextMenu);
    // After the line edit is done with the keystroke, which lays its text out again.
    connect(line, &QLineEdit::textChanged, this, &EditorSpelling::textChanged, Qt::UniqueConnection);
    underline(line);
}

void EditorSpelling::textChanged()
{
    QPointer<QLineEdit> line(qobject_cast<QLineEdit *>(sender()));
    QMetaObject::invokeMethod(
        this, [this, line] {
            if (line)
                underline(line);
        },
        Qt::QueuedConnection);
}

QString EditorSpelling::masterOf(QLineEdit *line) const
{
    const auto row = static_cast<std::size_t>(line->property(kRowProperty).toULongLong());
    if (!m_document || !m_document->isOpen() || row == 0 || row > m_document->projectTable().tokenCount())
        return {};
    return m_document->masterText(row);
}

std::vector<spelling::Misspelling> EditorSpelling::misspellings(QLineEdit *line) const
{
    return checkText(m_speller.get(), line->text(), masterOf(line));
}

void EditorSpelling::underline(QLineEdit *line)
{
    // The formats go to the line edit as an input method's would, which draws them
    // under its text and keeps what was typed, the cursor and the undo as they are.
    QList<QInputMethodEvent::Attribute> formats;
    for (const spelling::Misspelling &m : misspellings(line)) {
        QTextCharFormat format;
        format.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
        format.setUnderlineColor(Qt::red);
        formats << QInputMethodEvent::Attribute(QInputMethodEvent::TextFormat,
                                                static_cast<int>(m.charBegin) - line->cursorPosition(),
                                                static_cast<int>(m.charEnd - m.charBegin), format);
    }
    if (formats.isEmpty() && !line->property("spellingUnderlined").toBool())
        return;
    line->setProperty("spellingUnderlined", !formats.isEmpty());
    QInputMethodEvent event(QString(), formats);
    QCoreApplication::sendEvent(line, &event);
}

void EditorSpelling::underlineAll()
{
    if (m_box)
        underline(m_box);
    if (m_editor)
        underline(m_editor);
}

void EditorSpelling::paneShows(std::size_t row)
{
    if (!m_box)
        return;
    m_box->setProperty(kRowProperty, QVariant::fromValue<qulonglong>(row));
    underline(m_box);
}

void EditorSpelling::projectOpened()
{
    ++m_generation;
    m_speller.reset();
    wordsChanged();
    // The project's folder is the current one now.
    std::error_code ec;
    const std::filesystem::path project(m_document->paths().project);
    const std::string prj =
        project.is_absolute() ? project.string() : (std::filesystem::current_path(ec) / project.filename()).string();
    const auto read = ReadEditorLanguageProject(prj);
    const auto language = read.error == ProjectReadError::None ? ParseLanguageLine(read.project.languageLine)
                                                               : std::nullopt;
    if (!language)
        return;
    const auto dictionary = spelling::FindDictionary(*language, m_folders);
    if (!dictionary) {
        const unsigned id = MakeLanguageId(language->primary, language->sub);
        if (m_told.insert(id).second && m_flow)
            m_flow->showMessage(QString::fromStdString(spelling::NoDictionaryMessage(*language)));
        emit dictionaryReady();
        return;
    }
    // A large dictionary takes a moment to load: on a thread, as the list is shown.
    if (m_loader.joinable())
        m_loader.join();
    const std::uint64_t generation = m_generation;
    const std::string personal = spelling::PersonalWordListPath(UserDataFolder(), *language);
    QPointer<EditorSpelling> self(this);
    m_loader = std::thread([self, generation, dictionary = *dictionary, personal] {
        std::string failure;
        std::shared_ptr<spelling::Speller> speller(spelling::Speller::open(dictionary, personal, &failure));
        QMetaObject::invokeMethod(
            self.data(),
            [self, generation, speller, failure] {
                if (!self || generation != self->m_generation)
                    return;
                self->m_speller = speller;
                self->wordsChanged();
                if (!speller && self->m_flow)
                    self->m_flow->showMessage(QString::fromStdString(failure));
                self->underlineAll();
                emit self->dictionaryReady();
            },
            Qt::QueuedConnection);
    });
}

void EditorSpelling::projectClosed()
{
    ++m_generation;
    m_speller.reset();
    wordsChanged();
    underlineAll();
}

void EditorSpelling::wordsChanged()
{
    // The checks keep the words they looked up: a word learnt needs a fresh start.
    if (m_checks)
        m_checks->setKnownWords(m_speller ? std::make_unique<SpellerWords>(m_speller) : nullptr);
}

bool EditorSpelling::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ContextMenu) {
        if (auto *line = qobject_cast<QLineEdit *>(watched)) {
            showMenu(line, static_cast<QContextMenuEvent *>(event));
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void EditorSpelling::showMenu(QLineEdit *line, QContextMenuEvent *event)
{
    QMenu *menu = line->createStandardContextMenu();
    menu->setObjectName(QStringLiteral("mnuSpelling"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const int at = event->reason() == QContextMenuEvent::Mouse ? line->cursorPositionAt(event->pos())
                                                               : line->cursorPosition();
    QAction *first = menu->actions().value(0);
    const auto found = checkText(m_speller.get(), line->text(), masterOf(line), true);
    for (const spelling::Misspelling &m : found) {
        if (at < static_cast<int>(m.charBegin) || at > static_cast<int>(m.charEnd))
            continue;
        const int begin = static_cast<int>(m.charBegin);
        const int length = static_cast<int>(m.charEnd - m.charBegin);
        QPointer<QLineEdit> target(line);
        for (const std::u16string &suggestion : m.suggestions) {
            const QString text = QString::fromStdU16String(suggestion);
            QAction *replace = new QAction(text, menu);
            connect(replace, &QAction::triggered, line, [target, begin, length, text] {
                if (!target)
                    return;
                // As typed: the line edit's undo takes it back.
                target->setSelection(begin, length);
                target->insert(text);
            });
            menu->insertAction(first, replace);
        }
        if (m.suggestions.empty()) {
            QAction *none = new QAction(QStringLiteral("(No suggestions)"), menu);
            none->setEnabled(false);
            menu->insertAction(first, none);
        }
        QAction *add = new QAction(QStringLiteral("Add to dictionary"), menu);
        add->setObjectName(QStringLiteral("mnuAddToDictionary"));
        const std::u16string word = m.word;
        connect(add, &QAction::triggered, this, [this, word] {
            if (!m_speller)
                return;
            const std::string failure = m_speller->addToPersonal(word);
            if (!failure.empty() && m_flow)
                m_flow->showMessage(QString::fromStdString(failure));
            underlineAll();
            wordsChanged();
        });
        menu->insertAction(first, add);
        menu->insertSeparator(first);
        break;
    }
    menu->popup(event->globalPos());
}

} // namespace quenlit
