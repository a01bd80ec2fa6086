#include "rladmin.h"

#include "atomicfile.h"
#include "outils.h"
#include "programicon.h"
#include "projectfiles.h"
#include "projectwriter.h"
#include "qtext.h"
#include "textlines.h"

#include "languagenames.h"
#include "resources.h"
#include "restokens.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>
#include <map>

RLAdmin::RLAdmin(const std::string &masterProject, Question ask, Message tell, QWidget *parent)
    : QWidget(parent), m_masterPath(outils::ResolveFromCurrentFolder(masterProject)), m_ask(std::move(ask)),
      m_tell(std::move(tell))
{
    m_masterFolder = std::filesystem::path(m_masterPath).parent_path().string() + "/";
    setObjectName(QStringLiteral("rladmin"));
    setWindowTitle(QStringLiteral("RLTools - Administration - ") + DisplayFileName(masterProject));
    setWindowIcon(ProgramIcon(QStringLiteral("rladmin")));
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    m_source = new QLineEdit(this);
    m_source->setObjectName(QStringLiteral("source"));
    m_tokens = new QLineEdit(this);
    m_tokens->setObjectName(QStringLiteral("masterTokens"));
    form->addRow(QStringLiteral("Fichier &source :"), m_source);
    form->addRow(QStringLiteral("Fichier &token ma\u00EEtre :"), m_tokens);
    // The language of the source file's resources that the master tokens come
    // from, and that the localised files are made from.
    m_sourceLanguage = new QComboBox(this);
    m_sourceLanguage->setObjectName(QStringLiteral("sourceLanguage"));
    form->addRow(QStringLiteral("&Langue source :"), m_sourceLanguage);
    connect(m_source, &QLineEdit::editingFinished, this, &RLAdmin::fillSourceLanguages);
    layout->addLayout(form);
    auto *save = new QPushButton(QStringLiteral("&Enregistrer le projet ma\u00EEtre"), this);
    connect(save, &QPushButton::clicked, this, [this] { saveMaster(); });
    layout->addWidget(save);
    layout->addWidget(new QLabel(QStringLiteral("Projets de langue :"), this));
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("languages"));
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({QStringLiteral("Projet"), QStringLiteral("Fichier token"), QStringLiteral("Langue"),
                             QStringLiteral("Fichier cible")});
    layout->addWidget(m_list);
    auto *create = new QPushButton(QStringLiteral("&Nouveau projet de langue..."), this);
    connect(create, &QPushButton::clicked, this, &RLAdmin::newLanguageProject);
    layout->addWidget(create);
    resize(620, 420);
}

RLAdmin::~RLAdmin()
{
    // The source field loses the focus while the window is taken apart: its
    // "editing finished" must not reach what is gone.
    m_source->disconnect(this);
}

namespace {

// Item data of the source language box: a language identifier, or one of these.
constexpr int kAutomatic = -1;
constexpr int kUnreadable = -2; // a line 3 that names no language well: kept as it is

} // namespace

bool RLAdmin::load()
{
    const auto lines = ReadFileLines(m_masterPath, 1000000);
    if (!lines) {
        m_tell(this, QStringLiteral("Le projet ma\u00EEtre ") + DisplayFileName(m_masterPath) +
                         QStringLiteral(" ne peut pas \u00EAtre lu."));
        return false;
    }
    m_sourceRead = ShownBytes(lines->size() > 0 ? (*lines)[0] : std::string());
    m_tokensRead = ShownBytes(lines->size() > 1 ? (*lines)[1] : std::string());
    m_source->setText(m_sourceRead.shown);
    m_tokens->setText(m_tokensRead.shown);
    m_otherLine3.reset();
    m_sourceLanguage->clear();
    m_sourceLanguage->addItem(QStringLiteral("Automatique : neutre, sinon anglais (\u00C9tats-Unis), sinon la premi\u00E8re"),
                              kAutomatic);
    if (lines->size() >= kSourceLanguageLine) {
        const std::string &line = (*lines)[kSourceLanguageLine - 1];
        const SourceLanguage recorded = ParseSourceLanguageLine(line);
        if (recorded.state == SourceLanguage::State::Chosen) {
            m_sourceLanguage->addItem(QString(), static_cast<int>(recorded.languageId()));
            m_sourceLanguage->setCurrentIndex(1);
        } else if (recorded.state == SourceLanguage::State::Malformed) {
            m_otherLine3 = line;
            m_sourceLanguage->addItem(QStringLiteral("Ligne 3 illisible, gard\u00E9e : ") + DisplayFileName(line),
                                      kUnreadable);
            m_sourceLanguage->setCurrentIndex(1);
        } else {
            m_otherLine3 = line;
        }
    }
    m_laterLines.assign(lines->size() > kSourceLanguageLine ? lines->begin() + kSourceLanguageLine : lines->end(),
                        lines->end());
    fillSourceLanguages();
    fillList();
    return true;
}

std::string RLAdmin::sourceLine() const
{
    return m_sourceRead.valueOf(m_source->text());
}

std::string RLAdmin::sourcePath() const
{
    const std::string source = sourceLine();
    if (source.empty() || std::filesystem::path(source).is_absolute())
        return source;
    return m_masterFolder + source;
}

void RLAdmin::fillSourceLanguages()
{
    const QVariant current = m_sourceLanguage->currentData();
    // Resources per language among the source file's menus, dialogs, string
    // tables and version blocks, by primary language, then sub-language.
    struct ByPrimary
    {
        bool operator()(unsigned a, unsigned b) const
        {
            return std::make_pair(a & 0x3FF, a >> 10) < std::make_pair(b & 0x3FF, b >> 10);
        }
    };
    std::map<unsigned, int, ByPrimary> held;
    bool readable = false;
    if (const auto bytes = ReadWholeFile(sourcePath())) {
        try {
            const ResourceFile file = ReadResourceFile(std::vector<std::uint8_t>(bytes->begin(), bytes->end()));
            for (const Resource &r : file.resources) {
                if (IsLocalisable(r))
                    ++held[r.language];
            }
            readable = true;
        } catch (const ResourceError &) {
        }
    }
    // Keep the automatic choice and an unreadable line 3; list the rest anew.
    while (m_sourceLanguage->count() > 1 && m_sourceLanguage->itemData(m_sourceLanguage->count() - 1).toInt() != kUnreadable)
        m_sourceLanguage->removeItem(m_sourceLanguage->count() - 1);
    if (m_sourceLanguage->count() > 1 && m_sourceLanguage->itemData(1).toInt() != kUnreadable)
        m_sourceLanguage->removeItem(1);
    for (const auto &[language, count] : held) {
        m_sourceLanguage->addItem(LanguageLabel(language) + QStringLiteral(" \u2014 ") + QString::number(count) +
                                      (count > 1 ? QStringLiteral(" ressources") : QStringLiteral(" ressource")),
                                  static_cast<int>(language));
    }
    const int chosen = current.isValid() ? current.toInt() : kAutomatic;
    if (chosen >= 0 && !held.count(static_cast<unsigned>(chosen))) {
        // A language the source does not hold (or a source that cannot be read) stays chosen and visible.
        m_sourceLanguage->addItem(LanguageLabel(static_cast<unsigned>(chosen)) +
                                      (readable ? QStringLiteral(" \u2014 absente du fichier source")
                                                : QStringLiteral(" \u2014 fichier source illisible")),
                                  chosen);
    }
    const int index = m_sourceLanguage->findData(chosen);
    m_sourceLanguage->setCurrentIndex(index < 0 ? 0 : index);
}

void RLAdmin::fillList()
{
    m_list->clear();
    for (const std::string &name : ListLanguageProjects(m_masterFolder)) {
        const AdminLanguageProject p = ReadAdminLanguageProject(m_masterFolder + name);
        auto *item = new QTreeWidgetItem(m_list);
        item->setText(0, DisplayFileName(name));
        item->setData(0, Qt::UserRole, QByteArray::fromStdString(name));
        item->setText(1, DisplayFileName(p.tokenFile));
        item->setText(2, DisplayFileName(p.languageLine));
        item->setText(3, DisplayFileName(p.targetFile));
    }
}

bool RLAdmin::saveMaster()
{
    const std::string source = sourceLine();
    const std::string tokens = m_tokensRead.valueOf(m_tokens->text());
    for (const std::string *value : {&source, &tokens}) {
        const std::string problem = LineProblem(*value);
        if (!problem.empty()) {
            m_tell(this, FromPath(problem));
            return false;
        }
    }
    std::vector<std::string> later;
    const int chosen = m_sourceLanguage->currentData().toInt();
    if (chosen >= 0)
        later.push_back(SourceLanguageLineText(static_cast<unsigned>(chosen) & 0x3FF, static_cast<unsigned>(chosen) >> 10));
    else if (m_otherLine3 && (chosen == kUnreadable || ParseSourceLanguageLine(*m_otherLine3).state ==
                                                          SourceLanguage::State::Unset))
        later.push_back(*m_otherLine3);
    else if (!m_laterLines.empty())
        later.emplace_back(); // line 3 stays, empty: no choice
    later.insert(later.end(), m_laterLines.begin(), m_laterLines.end());
    const std::string error = WriteFileAtomically(m_masterPath, MasterProjectText(source, tokens, later));
    if (!error.empty()) {
        m_tell(this, QStringLiteral("Le projet ma\u00EEtre n'a pas \u00E9t\u00E9 enregistr\u00E9 : ") +
                         DisplayFileName(error));
        return false;
    }
    return true;
}

bool RLAdmin::createLanguageProject(const QString &fileName, const QString &tokenFile, const QString &langId,
                                    const QString &subLangId, const QString &targetFile)
{
    if (fileName.trimmed().isEmpty() || tokenFile.isEmpty() || targetFile.isEmpty()) {
        m_tell(this, QStringLiteral("Le nom du projet, le fichier token et le fichier cible sont n\u00E9cessaires."));
        return false;
    }
    bool okLang = false;
    bool okSub = false;
    langId.toUInt(&okLang);
    subLangId.toUInt(&okSub);
    if (!okLang || !okSub) {
        m_tell(this, QStringLiteral("Les identifiants de langue sont des nombres d\u00E9cimaux."));
        return false;
    }
    std::string name = ToPath(fileName);
    std::string extension = name.size() < 4 ? std::string() : name.substr(name.size() - 4);
    for (char &c : extension)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    if (extension != ".prj")
        name += ".prj";
    // The jobs pass the name to rlman, and it names a file of this folder.
    if (name.find_first_of("/\"") != std::string::npos ||
        std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; })) {
        m_tell(this, QStringLiteral("Le nom du projet ne peut contenir ni \u00AB / \u00BB, ni guillemet, ni "
                                    "caract\u00E8re de contr\u00F4le."));
        return false;
    }
    const std::string path = m_masterFolder + name;
    std::error_code ec;
    if (std::filesystem::symlink_status(path, ec).type() != std::filesystem::file_type::not_found &&
        !m_ask(this, QStringLiteral("Le fichier ") + DisplayFileName(name) +
                         QStringLiteral(" existe d\u00E9j\u00E0. Le remplacer ?")))
        return false;
    const std::string text =
        LanguageProjectText(std::filesystem::path(m_masterPath).filename().string(), ToPath(tokenFile), sourceLine(),
                            ToPath(langId), ToPath(subLangId), ToPath(targetFile));
    for (const QString &value : {tokenFile, targetFile}) {
        const std::string problem = LineProblem(ToPath(value));
        if (!problem.empty()) {
            m_tell(this, FromPath(problem));
            return false;
        }
    }
    const std::string error = WriteFileAtomically(path, text);
    if (!error.empty()) {
        m_tell(this, QStringLiteral("Le projet de langue n'a pas \u00E9t\u00E9 cr\u00E9\u00E9 : ") +
                         DisplayFileName(error));
        return false;
    }
    fillList();
    return true;
}

void RLAdmin::newLanguageProject()
{
    QDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("Nouveau projet de langue"));
    auto *form = new QFormLayout(&dialog);
    auto *name = new QLineEdit(&dialog);
    auto *tokens = new QLineEdit(&dialog);
    auto *lang = new QLineEdit(&dialog);
    auto *sub = new QLineEdit(QStringLiteral("1"), &dialog);
    auto *target = new QLineEdit(&dialog);
    form->addRow(QStringLiteral("&Projet (.prj) :"), name);
    form->addRow(QStringLiteral("Fichier &token :"), tokens);
    form->addRow(QStringLiteral("&Langue :"), lang);
    form->addRow(QStringLiteral("&Sous-langue :"), sub);
    form->addRow(QStringLiteral("Fichier &cible :"), target);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        if (createLanguageProject(name->text(), tokens->text(), lang->text(), sub->text(), target->text()))
            dialog.accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    dialog.exec();
}
