#pragma once
// What the application asks of the platform. win32/ implements it for the
// real window; tests implement it with a fake that records and answers.

namespace ovelin {

struct ClientSize {
    int width = 0;
    int height = 0;
};

class Host {
public:
    virtual ~Host() = default;

    // Invalidate the whole client area, without erasing.
    virtual void repaint() = 0;
    virtual ClientSize client_size() = 0;

    // The notification-area icon; add answers whether it was added.
    virtual bool add_tray_icon() = 0;
    virtual void remove_tray_icon() = 0;

    virtual void hide_window() = 0;
    // Brings a hidden or minimised window back to the front.
    virtual void restore_window() = 0;
    // Ends the window; the platform then delivers the destroy notification.
    virtual void destroy_window() = 0;
    // Ends the message loop with this exit code.
    virtual void quit(int exit_code) = 0;
};

}  // namespace ovelin
