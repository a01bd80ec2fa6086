#include "rladmin.h"

#include "atomicfile.h"
#include "outils.h"
#include "programicon.h"
#include "projectfiles.h"
#include "projectwriter.h"
#include "qtext.h"
#include "textlines.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

RLAdmin::RLAdmin(const QString &masterProject, Question ask, Message tell, QWidget *parent)
    : QWidget(parent), m_masterPath(masterProject), m_ask(std::move(ask)), m_tell(std::move(tell))
{
    setObjectName(QStringLiteral("rladmin"));
    setWindowTitle(QStringLiteral("RLTools - Administration - ") + masterProject);
    setWindowIcon(ProgramIcon(QStringLiteral("rladmin")));
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    m_source = new QLineEdit(this);
    m_source->setObjectName(QStringLiteral("source"));
    m_tokens = new QLineEdit(this);
    m_tokens->setObjectName(QStringLiteral("masterTokens"));
    form->addRow(QStringLiteral("Fichier &source :"), m_source);
    form->addRow(QStringLiteral("Fichier &token ma\u00EEtre :"), m_tokens);
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

bool RLAdmin::load()
{
    const auto lines = ReadFileLines(ToPath(m_masterPath), 1000);
    if (!lines) {
        m_tell(this, QStringLiteral("Le projet ma\u00EEtre ") + m_masterPath + QStringLiteral(" ne peut pas \u00EAtre lu."));
        return false;
    }
    m_source->setText(lines->size() > 0 ? FromPath((*lines)[0]) : QString());
    m_tokens->setText(lines->size() > 1 ? FromPath((*lines)[1]) : QString());
    m_laterLines.assign(lines->size() > 2 ? lines->begin() + 2 : lines->end(), lines->end());
    fillList();
    return true;
}

void RLAdmin::fillList()
{
    m_list->clear();
    const QFileInfo master(m_masterPath);
    QDir folder = master.absoluteDir();
    for (const QFileInfo &prj : folder.entryInfoList({QStringLiteral("*.prj"), QStringLiteral("*.PRJ")},
                                                     QDir::Files, QDir::Name | QDir::IgnoreCase)) {
        const AdminLanguageProject p = ReadAdminLanguageProject(ToPath(prj.filePath()));
        auto *item = new QTreeWidgetItem(m_list);
        item->setText(0, prj.fileName());
        item->setText(1, FromPath(p.tokenFile));
        item->setText(2, FromPath(p.languageLine));
        item->setText(3, FromPath(p.targetFile));
    }
}

bool RLAdmin::saveMaster()
{
    const std::string source = ToPath(m_source->text());
    const std::string tokens = ToPath(m_tokens->text());
    for (const std::string *value : {&source, &tokens}) {
        const std::string problem = LineProblem(*value);
        if (!problem.empty()) {
            m_tell(this, FromPath(problem));
            return false;
        }
    }
    const std::string error = WriteFileAtomically(ToPath(m_masterPath), MasterProjectText(source, tokens, m_laterLines));
    if (!error.empty()) {
        m_tell(this, QStringLiteral("Le projet ma\u00EEtre n'a pas \u00E9t\u00E9 enregistr\u00E9 : ") + FromPath(error));
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
    QString name = fileName;
    if (!name.endsWith(QStringLiteral(".prj"), Qt::CaseInsensitive))
        name += QStringLiteral(".prj");
    const QString path = QFileInfo(m_masterPath).absoluteDir().filePath(name);
    if (QFileInfo::exists(path) &&
        !m_ask(this, QStringLiteral("Le fichier ") + name + QStringLiteral(" existe d\u00E9j\u00E0. Le remplacer ?")))
        return false;
    const std::string text = LanguageProjectText(ToPath(QFileInfo(m_masterPath).fileName()), ToPath(tokenFile),
                                                 ToPath(m_source->text()), ToPath(langId), ToPath(subLangId),
                                                 ToPath(targetFile));
    for (const QString &value : {tokenFile, targetFile}) {
        const std::string problem = LineProblem(ToPath(value));
        if (!problem.empty()) {
            m_tell(this, FromPath(problem));
            return false;
        }
    }
    const std::string error = WriteFileAtomically(ToPath(path), text);
    if (!error.empty()) {
        m_tell(this, QStringLiteral("Le projet de langue n'a pas \u00E9t\u00E9 cr\u00E9\u00E9 : ") + FromPath(error));
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
