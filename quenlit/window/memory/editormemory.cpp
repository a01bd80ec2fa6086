#include "window/memory/editormemory.h"

#include "checks/lookups.h"
#include "memory/projectunits.h"
#include "memory/similarity.h"
#include "window/checks/editorchecks.h"
#include "window/checks/fillpreview.h"
#include "window/editorview.h"
#include "window/projectdocument.h"
#include "window/translatorflow.h"

#include "codepage.h"
#include "qtext.h"
#include "settingsstore.h"
#include "tokenescape.h"
#include "tokenstatus.h"

#include <QActionGroup>
#include <QMenu>
#include <QPointer>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace quenlit {

namespace {

constexpr std::size_t kOffers = 3;
const QString kThresholdKey = QStringLiteral("MemoryThreshold");

// Runs `work` in the window's thread, unless `context` is gone by then.
template <typename Work>
void inWindow(QObject *context, Work work)
{
    QMetaObject::invokeMethod(context, std::move(work), Qt::QueuedConnection);
}

std::string utf8(const std::u16string &text)
{
    return QString::fromStdU16String(text).toStdString();
}

// "notepad fr.prj": the project's folder and file name.
QString originOf(const std::string &project)
{
    const std::filesystem::path path(project);
    const std::string folder = path.parent_path().filename().string();
    const std::string file = path.filename().string();
    return folder.empty() ? DisplayFileName(file) : DisplayFileName(folder) + QLatin1Char(' ') + DisplayFileName(file);
}

QString differencesOf(const std::string &from, const std::string &to)
{
    QString out;
    for (const memory::TextPiece &piece : memory::TextDifferences(from, to)) {
        // Line ends and tabs as the token texts show them.
        QString text = QString::fromStdString(piece.text);
        text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
            .replace(QLatin1Char('\t'), QStringLiteral("\\t"))
            .replace(QLatin1Char('\n'), QStringLiteral("\\n"))
            .replace(QLatin1Char('\r'), QStringLiteral("\\r"));
        text = ShownText(text);
        switch (piece.kind) {
        case memory::TextPiece::Kept:
            out += text;
            break;
        case memory::TextPiece::Removed:
            out += QStringLiteral("[-") + text + QStringLiteral("-]");
            break;
        case memory::TextPiece::Added:
            out += QStringLiteral("{+") + text + QStringLiteral("+}");
            break;
        }
    }
    return out;
}

// The settings key that remembers an .obsolete file taken into the memory.
QString obsoleteKey(const std::string &path)
{
    return QStringLiteral("MemoryObsolete/") +
           QString::number(qHash(QByteArray::fromStdString(path)), 16);
}

std::optional<QString> obsoleteStamp(const std::string &path)
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec)
        return std::nullopt;
    const auto time = std::filesystem::last_write_time(path, ec);
    if (ec)
        return std::nullopt;
    return QString::number(size) + QLatin1Char(' ') +
           QString::number(static_cast<qint64>(time.time_since_epoch().count()));
}

} // namespace

EditorMemory::EditorMemory(SettingsStore &settings, QWidget *window, std::string path)
    : QObject(window), m_settings(settings), m_window(window), m_path(std::move(path))
{
    bool ok = false;
    const int stored = m_settings.value(kThresholdKey, QString()).toInt(&ok);
    if (ok && stored >= 50 && stored <= 100)
        m_threshold = stored;

    // The writer opens (and mends) the database; the reader's connection
    // follows once it is there.
    QPointer<EditorMemory> self(this);
    m_writer.open(m_path, [this, self](const memory::OpenedMemory &opened) {
        const QString failure = QString::fromStdString(opened.failure);
        const QString notice = QString::fromStdString(opened.notice);
        if (opened.memory)
            m_reader.open(m_path, [](const memory::OpenedMemory &) {});
        inWindow(this, [this, failure, notice] {
            if (!failure.isEmpty()) {
                m_unusable = true;
                report(failure);
            } else if (!notice.isEmpty()) {
                report(notice);
            }
        });
        (void)self;
    });
}

EditorMemory::~EditorMemory() = default;

void EditorMemory::report(const QString &text)
{
    if (m_flow)
        m_flow->showMessage(text);
}

void EditorMemory::attach(ProjectDocument &document, EditorView &view, TranslatorFlow &flow, EditorChecks &checks,
                          const Places &places)
{
    m_document = &document;
    m_view = &view;
    m_flow = &flow;
    m_checks = &checks;
    QAction *fill = places.edit->addAction(QStringLiteral("Fill from &memory..."));
    fill->setObjectName(QStringLiteral("mnuFillFromMemory"));
    connect(fill, &QAction::triggered, this, &EditorMemory::fillFromMemory);

    QMenu *menu = places.options->addMenu(QStringLiteral("&Memory matches from"));
    menu->setObjectName(QStringLiteral("mnuMemoryThreshold"));
    m_thresholds = new QActionGroup(this);
    for (int score = 50; score <= 100; score += 10) {
        QAction *choice = menu->addAction(QString::number(score) + QStringLiteral(" %"));
        choice->setObjectName(QStringLiteral("mnuThreshold") + QString::number(score));
        choice->setCheckable(true);
        choice->setChecked(score == m_threshold);
        m_thresholds->addAction(choice);
        connect(choice, &QAction::triggered, this, [this, score] { setThreshold(score); });
    }
}

void EditorMemory::setThreshold(int threshold)
{
    if (threshold < 50 || threshold > 100)
        return;
    m_threshold = threshold;
    m_settings.setValue(kThresholdKey, QString::number(threshold));
    if (m_thresholds) {
        for (QAction *choice : m_thresholds->actions())
            choice->setChecked(choice->objectName() == QStringLiteral("mnuThreshold") + QString::number(threshold));
    }
    paneShows(m_paneRow);
}

void EditorMemory::projectOpened()
{
    ++m_generation;
    m_languages.reset();
    m_paneRow = 0;
    // The project's folder is the current one now.
    std::error_code ec;
    const std::filesystem::path project(m_document->paths().project);
    m_projectPath = project.is_absolute() ? project.string()
                                          : (std::filesystem::current_path(ec) / project.filename()).string();
    if (m_unusable)
        return;
    const std::uint64_t generation = m_generation;
    const std::string prj = m_projectPath;
    m_writer.post([this, generation, prj](memory::TranslationMemory *memory) {
        memory::ReadError error;
        const auto files = memory::ReadProjectFiles(prj, error);
        if (!files)
            return;
        const Languages languages{files->languages.source, files->languages.target};
        std::shared_ptr<const memory::Glossary> glossary;
        if (memory)
            glossary = std::make_shared<const memory::Glossary>(memory->terms(languages.source, languages.target));
        inWindow(this, [this, generation, languages, prj, glossary] {
            if (generation != m_generation)
                return;
            m_languages = languages;
            m_glossary = glossary;
            if (m_checks)
                m_checks->setTerms(glossary && !glossary->empty() ? std::make_unique<GlossaryTerms>(glossary)
                                                                  : nullptr);
            paneShows(m_paneRow);
            if (m_fillWanted)
                fillFromMemory();
            importObsolete(prj);
        });
    });
}

void EditorMemory::importObsolete(const std::string &projectPath)
{
    std::error_code ec;
    std::filesystem::path token(m_document->paths().tokenFile);
    if (!token.is_absolute())
        token = std::filesystem::current_path(ec) / token;
    const std::string obsolete = token.string() + ".obsolete";
    const auto stamp = obsoleteStamp(obsolete);
    if (!stamp || m_settings.value(obsoleteKey(obsolete), QString()) == *stamp)
        return;
    m_writer.post([this, projectPath, obsolete, stamp = *stamp](memory::TranslationMemory *memory) {
        if (!memory)
            return;
        memory::ImportResult result = memory->import([&](memory::UnitSink &sink) -> std::optional<memory::ReadError> {
            memory::ReadError error;
            const auto files = memory::ReadProjectFiles(projectPath, error);
            if (!files)
                return error;
            std::ifstream in(obsolete, std::ios::binary);
            if (!in)
                return memory::ReadError{obsolete, 0, "can't open the file"};
            return memory::ReadObsoleteTokens(in, obsolete, files->languages, projectPath,
                                              static_cast<std::int64_t>(std::time(nullptr)), sink);
        });
        const QString failure = result.ok() ? QString()
                                            : QString::fromStdString(result.error ? result.error->text()
                                                                                  : result.failure);
        inWindow(this, [this, failure, obsolete, stamp] {
            if (failure.isEmpty())
                m_settings.setValue(obsoleteKey(obsolete), stamp);
            else
                report(QStringLiteral("The translation memory did not take the obsolete translations: ") + failure);
            emit unitsAdded(failure);
        });
    });
}

void EditorMemory::projectClosed()
{
    ++m_generation;
    m_glossary.reset();
    if (m_checks)
        m_checks->setTerms(nullptr);
    m_fillWanted = false;
    m_languages.reset();
    m_paneRow = 0;
    m_reader.dropWaiting();
}

void EditorMemory::projectSaved()
{
    if (m_unusable || m_projectPath.empty())
        return;
    // The file just written is read again on the writer's thread: the save
    // itself waits for nothing.
    const std::string prj = m_projectPath;
    m_writer.post([this, prj](memory::TranslationMemory *memory) {
        if (!memory)
            return;
        // Given up, and nothing kept, when the editor closes meanwhile.
        struct Cancellable : memory::UnitSink
        {
            memory::UnitSink *to = nullptr;
            const MemoryThread *thread = nullptr;
            void add(const memory::Unit &unit) override
            {
                if (!thread->cancelled())
                    to->add(unit);
            }
        };
        const MemoryThread *thread = &m_writer;
        memory::ImportResult result = memory->import([&prj, thread](memory::UnitSink &sink) {
            Cancellable cancellable;
            cancellable.to = &sink;
            cancellable.thread = thread;
            auto error = memory::ReadLanguageProject(prj, cancellable);
            if (!error && thread->cancelled())
                error = memory::ReadError{prj, 0, "the editor was closed"};
            return error;
        });
        const QString failure = result.ok() ? QString()
                                            : QString::fromStdString(result.error ? result.error->text()
                                                                                  : result.failure);
        inWindow(this, [this, failure] {
            if (!failure.isEmpty())
                report(QStringLiteral("The translation memory did not take the saved translations: ") + failure);
            emit unitsAdded(failure);
        });
    });
}

bool EditorMemory::needsWork(std::size_t row) const
{
    if (!m_document || !m_document->isOpen() || row == 0 || row > m_document->projectTable().tokenCount())
        return false;
    const std::int64_t status = StatusOf(m_document->projectTable().cell(row, ColStatus));
    return (status & FlagNonTranslated) && !(status & FlagReadOnly);
}

std::string EditorMemory::lookupText(std::size_t row) const
{
    const std::string_view master = MasterToken(m_document->masterTable(), m_document->projectTable(), row);
    return utf8(UnescapeText(std::string(master), m_document->masterCodePage()));
}

MemoryOffer EditorMemory::offerOf(const memory::Match &match, const std::string &lookedUp) const
{
    MemoryOffer offer;
    const std::u16string translation = QString::fromStdString(match.unit.translation).toStdU16String();
    offer.bytes = EscapeText(translation, m_document->projectCodePage());
    // A character the project's code page cannot hold makes the match useless here.
    if (UnescapeText(offer.bytes, m_document->projectCodePage()) != translation)
        offer.bytes.clear();
    offer.text = FromTokenBytes(offer.bytes, m_document->projectCodePage());
    offer.score = match.score;
    offer.origin = originOf(match.unit.origin.project);
    if (match.score < 100)
        offer.differences = differencesOf(match.unit.source, lookedUp);
    return offer;
}

void EditorMemory::tokenChanged(std::size_t row)
{
    if (row == m_paneRow)
        paneShows(row);
}

void EditorMemory::showTerms(std::size_t row)
{
    QStringList lines;
    if (m_glossary && !m_glossary->empty() && m_document && m_document->isOpen() && row != 0 &&
        row <= m_document->projectTable().tokenCount()) {
        const std::u16string master =
            UnescapeText(std::string(MasterToken(m_document->masterTable(), m_document->projectTable(), row)),
                         m_document->masterCodePage());
        const std::u16string translation =
            UnescapeText(std::string(m_document->projectTable().cell(row, ColText)), m_document->projectCodePage());
        QStringList terms;
        for (const memory::TermFound &found : m_glossary->find(master, translation)) {
            QStringList translations;
            for (const std::u16string &t : found.translations)
                translations << QString::fromStdU16String(t);
            const QString term = QString::fromStdU16String(found.term);
            terms << term + QStringLiteral(" \u2192 ") + translations.join(QStringLiteral(" / "));
        }
        // A term left untranslated is the "glossary" check's.
        if (!terms.isEmpty())
            lines.prepend(QStringLiteral("Terms: ") + terms.join(QStringLiteral("; ")));
    }
    m_checks->setTermLines(row, lines);
}

void EditorMemory::paneShows(std::size_t row)
{
    m_paneRow = row;
    if (!m_checks)
        return;
    showTerms(row);
    if (!m_languages || m_unusable || !needsWork(row)) {
        m_checks->setMemoryOffers(row, {});
        emit offersShown(row);
        return;
    }
    memory::LookupQuery query;
    query.text = lookupText(row);
    if (query.text.empty()) {
        m_checks->setMemoryOffers(row, {});
        emit offersShown(row);
        return;
    }
    query.target = m_languages->target;
    query.source = m_languages->source;
    query.threshold = m_threshold;
    query.limit = kOffers + 3; // some may be the twins' texts, or unstorable
    const std::uint64_t generation = m_generation;
    m_reader.postLatest([this, generation, row, query](memory::TranslationMemory *memory) {
        std::vector<memory::Match> matches;
        if (memory)
            matches = memory->lookup(query);
        inWindow(this, [this, generation, row, matches = std::move(matches), text = query.text] {
            if (generation != m_generation || row != m_paneRow)
                return;
            std::vector<MemoryOffer> offers;
            for (const memory::Match &match : matches) {
                MemoryOffer offer = offerOf(match, text);
                if (!offer.bytes.empty())
                    offers.push_back(std::move(offer));
            }
            m_checks->setMemoryOffers(row, std::move(offers));
            emit offersShown(row);
        });
    });
}

void EditorMemory::fillFromMemory()
{
    if (!m_document || !m_document->isOpen() || m_filling)
        return;
    m_view->finishEditing();
    if (m_unusable) {
        report(QStringLiteral("The translation memory is not open"));
        return;
    }
    if (!m_languages) {
        // The project's languages are being read: the fill follows them.
        m_fillWanted = true;
        return;
    }
    m_fillWanted = false;
    std::vector<std::size_t> rows;
    std::vector<std::string> texts;
    for (std::size_t row = 1; row <= m_document->projectTable().tokenCount(); ++row) {
        if (!needsWork(row))
            continue;
        std::string text = lookupText(row);
        if (text.empty())
            continue;
        rows.push_back(row);
        texts.push_back(std::move(text));
    }
    if (rows.empty()) {
        report(QStringLiteral("No token needs work"));
        return;
    }
    m_filling = true;
    report(QStringLiteral("Looking up %1 token(s) in the translation memory...").arg(rows.size()));
    const std::uint64_t generation = m_generation;
    const Languages languages = *m_languages;
    const int threshold = m_threshold;
    m_reader.post([this, generation, languages, threshold, rows = std::move(rows),
                   texts = std::move(texts)](memory::TranslationMemory *memory) mutable {
        std::vector<std::optional<memory::Match>> matches(rows.size());
        for (std::size_t i = 0; memory && i < rows.size(); ++i) {
            memory::LookupQuery query;
            query.text = texts[i];
            query.target = languages.target;
            query.source = languages.source;
            query.threshold = threshold;
            query.limit = 1;
            std::vector<memory::Match> found = memory->lookup(query);
            if (!found.empty())
                matches[i] = std::move(found.front());
        }
        inWindow(this, [this, generation, rows = std::move(rows), matches = std::move(matches),
                        texts = std::move(texts)]() mutable {
            m_filling = false;
            if (generation == m_generation)
                showFill(generation, std::move(rows), std::move(matches), std::move(texts));
        });
    });
}

void EditorMemory::showFill(std::uint64_t generation, std::vector<std::size_t> rows,
                            std::vector<std::optional<memory::Match>> matches, std::vector<std::string> texts)
{
    std::vector<FillChange> changes;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (!matches[i] || !needsWork(rows[i]))
            continue;
        MemoryOffer offer = offerOf(*matches[i], texts[i]);
        if (offer.bytes.empty())
            continue;
        FillChange change;
        change.row = rows[i];
        change.text = std::move(offer.bytes);
        change.exact = offer.score == 100;
        change.score = offer.score;
        changes.push_back(std::move(change));
    }
    if (changes.empty()) {
        report(QStringLiteral("No token that needs work has a match of %1 % or more in the translation memory")
                   .arg(m_threshold));
        return;
    }
    const ProjectDocument *document = m_document;
    auto *preview = new FillPreviewDialog(
        std::move(changes), [document](std::size_t row) { return document->masterText(row); },
        [document](std::string_view bytes) { return FromTokenBytes(bytes, document->projectCodePage()); },
        m_window);
    preview->setWindowTitle(QStringLiteral("Fill from memory"));
    preview->setAttribute(Qt::WA_DeleteOnClose);
    connect(preview, &QDialog::accepted, this, [this, preview, generation] {
        if (generation != m_generation)
            return;
        std::size_t filled = 0;
        m_document->beginStep("fill from memory");
        for (const FillChange &change : preview->chosen()) {
            // Never a token translated or made read-only since the preview.
            if (!needsWork(change.row))
                continue;
            m_document->storeText(change.row, change.text);
            // A fuzzy match is a start: the token still needs work.
            if (!change.exact)
                m_document->setStatus(change.row, FlagNonTranslated);
            ++filled;
        }
        m_document->endStep();
        if (filled)
            m_document->setModified();
        report(QStringLiteral("%1 token(s) filled from the translation memory").arg(filled));
    });
    connect(preview, &QDialog::finished, this, [this] { m_window->activateWindow(); });
    preview->open();
}

} // namespace quenlit
