#pragma once
// How a page joins the window. Each page folder describes its page once (a
// PageDescriptor: its names, its tab, its page command on the Window menu and
// the tool bar, what the page command does to the File commands, its
// logged-on controls) and registers it with one call. The window builds its
// tabs, Window menu items and page tool buttons from the descriptors in the
// order they were registered, and makes the page classes in that order; a page
// that works with another one is registered after it and finds it among the
// earlier pages.
#include <QStringList>
#include <functional>
#include <utility>
#include <vector>

class QPlainTextEdit;
class QWidget;

namespace porv {

class Link;
class ShellPage;
class ShellServices;

// What the page command makes of a File command while the page shows.
enum class FileOffer {
    Off,
    On,
    WhileSaveAllowed,   // as the window's SaveAllowed (the directory may be saved)
    WhileSaveAsAllowed, // as the window's SaveAsAllowed
    WhileEventsLoaded,  // as the window's EventsLoaded (an event download came in)
};

struct PageFileCommands {
    bool newFile = false;             // New and TBnew
    bool open = false;                // Open and TBOpen; File Open runs the page's FileOpen
    bool edit = false;                // the Edit menu
    FileOffer save = FileOffer::Off;  // Save and TBSave
    FileOffer saveAs = FileOffer::Off; // Save As; unless Off, File Save As runs the page's FileSaveAs
    bool savesOnEveryPage = false;    // File Save runs this page's FileSave whichever page shows
};

// A page class as the window hosts it: the widget and the commands it routes
// to it (the same object: a QWidget that derives from ShellPage).
struct HostedPage {
    QWidget *widget = nullptr;
    ShellPage *commands = nullptr;
};

template <class Page>
HostedPage Hosted(Page *page)
{
    return HostedPage{page, page};
}

// What a page is made with.
struct PageContext {
    Link &link;
    ShellServices &shell;
    QWidget *parent;             // the page widget of the page control
    QPlainTextEdit *receiveView; // RxMemo, on the page whose descriptor holds it
    std::vector<HostedPage> earlier; // the pages made before this one, in order

    // The earlier page of that class, or nullptr.
    template <class Page>
    Page *earlierPage() const
    {
        for (const HostedPage &p : earlier)
            if (auto *page = dynamic_cast<Page *>(p.commands))
                return page;
        return nullptr;
    }
};

struct PageDescriptor {
    // The page widget's objectName and its tab's caption.
    const char *objectName = nullptr;
    const char *caption = nullptr;
    // The page command on the Window menu: the item's objectName, text and
    // shortcut (in portable text, "Ctrl+1").
    struct MenuItem {
        const char *name = nullptr;
        const char *text = nullptr;
        const char *shortcut = nullptr;
    } menuItem;
    // The page command on the tool bar: the button's objectName, its action's
    // objectName and text, the hint (also the button's accessible name) and
    // the image of ImageList1 it shows.
    struct ToolButton {
        const char *name = nullptr;
        const char *action = nullptr;
        const char *text = nullptr;
        const char *hint = nullptr;
        int image = -1;
    } toolButton;
    // The control that takes the focus after the page command, if any.
    const char *focus = nullptr;
    // The window puts the receive view RxMemo on this page (beneath the page
    // class, which may move it into a layout of its own).
    bool holdsReceiveView = false;
    PageFileCommands fileCommands;
    // Controls (by objectName, anywhere under the page control) that a
    // log-on enables and a log-off disables: the logged-on controls, enabled
    // by SetLoggedOnControls, and the transfer buttons, enabled as soon as the
    // unit took the PIN.
    QStringList loggedOnControls;
    QStringList transferButtons;
    // Makes the page class; an empty HostedPage leaves the tab empty (a page
    // whose earlier page is missing).
    std::function<HostedPage(PageContext &context)> create;
};

class PageRegistry {
public:
    void add(PageDescriptor page) { m_pages.push_back(std::move(page)); }
    const std::vector<PageDescriptor> &pages() const { return m_pages; }

private:
    std::vector<PageDescriptor> m_pages;
};

} // namespace porv
