// A window showing one compiled help file: the contents at the left, the topic at the right.
#pragma once

#include <QMainWindow>
#include <QTemporaryDir>
#include <QTextBrowser>

class QHelpEngine;

// Reads its pages out of the help file.
class HelpBrowser : public QTextBrowser {
    Q_OBJECT
  public:
    HelpBrowser(QHelpEngine* engine, QWidget* parent);
    QVariant loadResource(int type, const QUrl& name) override;

  private:
    QHelpEngine* engine_;
};

class HelpViewerWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit HelpViewerWindow(const QString& helpFile);

    // The file's default topic.
    void showDefaultTopic();
    // The topic registered under the number; the default topic when no topic has it.
    void showTopic(quintptr number);
    HelpBrowser* browser() const { return browser_; }

  private:
    bool openHelpFile();
    void showPage(const QUrl& page);
    void markShownTopic(const QUrl& page);
    void showProblem(const QString& text);
    void bringToFront();
    void placeOnScreen();

    QString helpFile_;
    QTemporaryDir collectionFolder_;
    QHelpEngine* engine_ = nullptr;
    HelpBrowser* browser_ = nullptr;
    QString namespace_;
    bool ready_ = false;
};
