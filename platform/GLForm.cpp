#include "platform/GLForm.h"

#include <FL/Fl.H>
#include <FL/Fl_Gl_Window.H>
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Window.H>
#include <FL/gl.h>
#include <FL/x.H>

#include <atomic>
#include <chrono>
#include <thread>

namespace platform {

constexpr int kMenuHeight = 25;

class GLView : public Fl_Gl_Window {
 public:
  GLView(GLForm* form, int x, int y, int w, int h) : Fl_Gl_Window(x, y, w, h), form_(form) {
    mode(FL_RGB8 | FL_ALPHA | FL_DOUBLE | FL_DEPTH | FL_STENCIL);
  }
  void draw() override { Paint(); }
  // FLTK's default flush draws and then swaps; the program swaps itself,
  // exactly once per frame, from its paint handler.
  void flush() override { Paint(); }
  void resize(int x, int y, int w, int h) override {
    Fl_Gl_Window::resize(x, y, w, h);
    if (form_->OnResize && form_->contextMade_) {
      make_current();
      form_->OnResize(w, h);
    }
  }
  int handle(int event) override {
    if (event == FL_FOCUS || event == FL_UNFOCUS) return 1;
    return Fl_Gl_Window::handle(event);
  }

 private:
  void Paint() {
    if (!shown()) return;
    make_current();
    form_->contextMade_ = true;
    if (form_->OnPaint) {
      form_->OnPaint();
    } else {
      glClearColor(0, 0, 0, 1);
      glClear(GL_COLOR_BUFFER_BIT);
      swap_buffers();
    }
  }
  GLForm* form_;
};

class GLFormWindow : public Fl_Window {
 public:
  GLFormWindow(GLForm* form, int x, int y, int w, int h, const char* caption)
      : Fl_Window(x, y, w, h), form_(form) {
    copy_label(caption);
  }
  int handle(int event) override {
    // The form sees every key first.
    if (event == FL_KEYBOARD || event == FL_SHORTCUT) {
      int key = Fl::event_key();
      if (event == FL_KEYBOARD && form_->OnKeyDown && form_->OnKeyDown(key, Fl::event_state()))
        return 1;
      const char* text = Fl::event_text();
      if (event == FL_KEYBOARD && form_->OnKeyPress && Fl::event_length() == 1 &&
          !(Fl::event_state() & (FL_CTRL | FL_ALT | FL_META)) && form_->OnKeyPress(text[0]))
        return 1;
    }
    return Fl_Window::handle(event);
  }
  void resize(int x, int y, int w, int h) override { Fl_Window::resize(x, y, w, h); }

 private:
  GLForm* form_;
};

namespace {
// Connects to the X server before the first window needs it. A busy server
// can refuse a connection for a moment; the toolkit would end the program
// at the first refusal, so a few tries are made first.
void OpenDisplayPatiently() {
  if (fl_display) return;
  for (int attempt = 0; attempt < 20; ++attempt) {
    if (Display* d = XOpenDisplay(nullptr)) {
      fl_open_display(d);
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  // Let the toolkit try once more and report the failure its own way.
}

void CloseCallback(Fl_Widget*, void* data) {
  auto* form = static_cast<GLForm*>(data);
  // Escape is an ordinary key here, not a request to close the window.
  if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
  if (form->OnCloseRequest) form->OnCloseRequest();
  else form->Close();
}

// The toolkit drops the window manager's close while a menu or a modal
// dialog is open; a program window's close must still end the program.
int DispatchEvent(int event, Fl_Window* window) {
  if (event == FL_CLOSE && window && dynamic_cast<GLFormWindow*>(window) &&
      (Fl::grab() || (Fl::modal() && Fl::modal() != window))) {
    Fl::e_number = FL_CLOSE;
    window->do_callback();
    return 1;
  }
  return Fl::handle_(event, window);
}
}  // namespace

GLForm::GLForm(int left, int top, int width, int height, const std::string& caption) {
  Fl::lock();  // enables Fl::awake for worker threads
  OpenDisplayPatiently();
  if (width < 2 * kMenuHeight) width = 2 * kMenuHeight;
  if (height < 2 * kMenuHeight) height = 2 * kMenuHeight;
  window_ = std::make_unique<GLFormWindow>(this, left, top, width, height, caption.c_str());
  window_->begin();
  menu_ = new Fl_Menu_Bar(0, 0, width, kMenuHeight);
  view_ = new GLView(this, 0, kMenuHeight, width, height - kMenuHeight);
  window_->end();
  window_->resizable(view_);
  window_->callback(CloseCallback, this);
  if (!Fl::event_dispatch()) Fl::event_dispatch(DispatchEvent);
}

GLForm::~GLForm() = default;

Fl_Menu_Bar* GLForm::MenuBar() const { return menu_; }
Fl_Window* GLForm::Window() const { return window_.get(); }

void GLForm::Show() {
  if (!window_->shown()) window_->show();
  view_->show();
}

bool GLForm::Shown() const { return window_->shown() != 0; }

HDC GLForm::GetDC() { return reinterpret_cast<HDC>(this); }

bool GLForm::MakeCurrent() {
  if (!view_->shown()) return false;
  view_->make_current();
  contextMade_ = view_->context() != nullptr;
  return contextMade_;
}

bool GLForm::HasContext() const { return contextMade_ && view_->context() != nullptr; }

void GLForm::SwapBuffers() {
  if (view_->shown()) view_->swap_buffers();
}

void GLForm::Invalidate() { view_->redraw(); }

int GLForm::ClientWidth() const { return view_->w(); }
int GLForm::ClientHeight() const { return view_->h(); }
int GLForm::Left() const { return window_->x(); }
int GLForm::Top() const { return window_->y(); }
int GLForm::Width() const { return window_->w(); }
int GLForm::Height() const { return window_->h(); }

void GLForm::SetBounds(int left, int top, int width, int height) {
  window_->resize(left, top, width, height);
}

void GLForm::SetCaption(const std::string& caption) { window_->copy_label(caption.c_str()); }

bool GLForm::TitleBarShown() const { return window_->border() != 0; }

void GLForm::SetTitleBar(bool shown) {
  if (TitleBarShown() == shown) return;
  // border() on a shown window re-maps the top-level window only; the GL
  // child and its context stay.
  window_->border(shown ? 1 : 0);
}

bool GLForm::MenuShown() const { return menu_->visible() != 0; }

void GLForm::SetMenuShown(bool shown) {
  if (MenuShown() == shown) return;
  const int w = window_->w(), h = window_->h();
  if (shown) {
    menu_->show();
    view_->resize(0, kMenuHeight, w, h - kMenuHeight);
  } else {
    menu_->hide();
    view_->resize(0, 0, w, h);
  }
  window_->redraw();
}

void GLForm::Close() {
  window_->hide();
  EndNestedLoops();
}

void EndNestedLoops() {
  // An open menu runs its own event loop, which shows its windows again on
  // every pass and ends only when the menu is done: an Escape tells it so.
  // The loop sees it when the event being handled (this call) returns.
  if (Fl_Window* menu = Fl::grab()) {
    const int key = Fl::e_keysym;
    Fl::e_keysym = FL_Escape;
    menu->handle(FL_KEYBOARD);
    Fl::e_keysym = key;
  }
  // Dialogs and message boxes wait until their window is hidden.
  while (Fl_Window* w = Fl::first_window()) w->hide();
}

void RunMessageLoop() { Fl::run(); }

namespace {
std::atomic<bool> g_applicationEnding{false};
}  // namespace

bool ApplicationEnding() { return g_applicationEnding.load(); }
void SetApplicationEnding(bool ending) { g_applicationEnding.store(ending); }

}  // namespace platform
