// The frame every wizard page shares: the banner at the left, a bold heading with a line under
// it, body texts, and a line above the row of buttons Help, "< Back", "Next >", "Close".
// Pages are separate windows, created once and afterwards only shown and hidden.
#pragma once

#include <QFont>
#include <QWidget>

#include <functional>
#include <string>

class QFrame;
class QLabel;
class QPushButton;
class QTextEdit;

namespace nimbrel {

enum class PageBorder {
    Sizeable,                // normal window with a sizeable border
    FixedWithMinimize,       // single fixed border, system menu and minimise, kept on top
    FixedSystemMenuOnly,     // single fixed border, system menu only, kept on top
    FixedWithoutTitleButtons // single fixed border, no title-bar buttons, kept on top
};

// Window flags and size policy for one of the borders above.
void ApplyBorder(QWidget* window, PageBorder border, QSize clientSize);

// Object names of a page's buttons, left to right; nullptr where the page has no such button.
struct PageButtons {
    const char* help;
    const char* back;
    const char* next;
    const char* close;
    const char* nextCaption = "Next >";
};

// Runs an event handler; an error it raises goes to the application's general error display,
// and the handler's remaining steps are skipped.
void ShowErrors(const std::function<void()>& handler);

// Shows a window and brings it to the front.
void ShowPageInFront(QWidget* window);

// Moves the wizard from one page to another: the target takes the page's top, then its left
// position, the saving step runs, the page hides and the target shows. When the saving step
// fails the error propagates: the page stays visible and the target is not shown.
void MoveAlong(QWidget* from, QWidget* to, const std::function<void()>& savingStep = {});

// The font of every wizard page and of the controls that set none of their own (the buttons):
// Arial at the desktop's usual size.
QFont FrameFont(bool bold = false);

// A borderless read-only text in the frame's body font (Arial 12 px, or bold 13 px).
QTextEdit* CreateFrameText(QWidget* parent, const char* name, QRect geometry, bool bold = false);
// Puts a text into such a box; a carriage return starts a new line.
void SetFrameText(QTextEdit* box, const std::string& text);

// Program folder + "\\icons\\banner_vert1.jpg".
std::string WizardBannerPath();

class TWizardPage : public QWidget {
    Q_OBJECT
  public:
    // The page's help topic; 0 until its creation set it.
    int HelpContext() const;

    QLabel* Image1;
    QTextEdit* txtWelcome;
    QFrame* Bevel1;
    QFrame* Bevel2;

  protected:
    TWizardPage(const QString& objectName, const QString& caption, PageBorder border,
                const PageButtons& buttons, QWidget* parent);

    // Loads the banner into Image1, which takes the picture's size; raises EFOpenError with
    // the full path when the picture cannot be read.
    void LoadBanner();
    // A body text at the body's left edge, below the heading line.
    QTextEdit* AddText(const char* name, int top, int height);
    void SetHelpContext(int topic);
    // Connects a button to a handler whose errors go to the general error display.
    void OnClick(QPushButton* button, std::function<void()> handler);

    // Closing from the title bar hides the page like its Close button; subclasses add to it.
    void closeEvent(QCloseEvent* event) override;
    virtual void TitleBarClose() {}

    QPushButton* HelpButton = nullptr;
    QPushButton* BackButton = nullptr;
    QPushButton* NextButton = nullptr;
    QPushButton* CloseButton = nullptr;

  private:
    QPushButton* AddButton(const char* name, const char* caption, int left);
};

// Frame geometry shared with the pages' own controls.
inline constexpr int kBodyLeft = 150;
inline constexpr int kBodyWidth = 350;
inline constexpr int kBodyTop = 52;
inline constexpr QSize kPageSize{526, 428};

} // namespace nimbrel
