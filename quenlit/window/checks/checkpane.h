#pragma once

#include <QLabel>
#include <QStringList>

namespace quenlit {

// The line of the editing pane below the boxes that tells, for the token shown,
// what its checks found, or, for a token that needs work, the translations of
// its twins that Ctrl+1, Ctrl+2 and Ctrl+3 take. The line is cut to its width;
// its tooltip holds everything.
class CheckPane : public QLabel
{
    Q_OBJECT

public:
    explicit CheckPane(QWidget *parent = nullptr);

    // `messages`: "level: [id] message" lines; `suggestions`: the texts offered,
    // best first; `notes`: what the line says of each beside its key (empty
    // for none: "92 % · notepad fr.prj"), `details` what its tooltip adds.
    void showToken(const QStringList &messages, const QStringList &suggestions, const QStringList &notes = {},
                   const QStringList &details = {});
    void clearToken();

    const QStringList &messages() const { return m_messages; }
    const QStringList &suggestions() const { return m_suggestions; }
    // The whole text, before it is cut to the width.
    QString fullText() const;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void refresh();

    QStringList m_messages;
    QStringList m_suggestions;
    QStringList m_notes;
    QStringList m_details;
};

} // namespace quenlit
