#pragma once

#include "core/language/language.h"

#include <QString>
#include <QUrl>
#include <QWidget>

namespace cantelo {

// The project's web page: "Sito Web" opens it and the about box names it. The one place it is
// written.
QString websiteUrl();

// The installed user guide (docs/guide/index.html), looked up beside the program first so a build
// tree finds its own copy; the web page when no copy is found. "Guida" opens it with the desktop's
// browser. GUI thread (uses the application's folder).
QUrl userGuideUrl();

// The painted about box: the program's name and version over a grey gradient, 400 x 128. The
// main window puts it in its child-window frame and calls applyLanguage after a language change.
// GUI thread only.
class AboutBox : public QWidget {
    Q_OBJECT
public:
    explicit AboutBox(const LanguageTexts& texts, QWidget* parent = nullptr);

    // Takes the title, version caption and credit line of `texts` (an empty text falls back to
    // its built-in one) and repaints.
    void applyLanguage(const LanguageTexts& texts);

    const QString& versionCaption() const { return m_version; }
    const QString& creditLine() const { return m_credit; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_version;
    QString m_credit;
};

} // namespace cantelo
