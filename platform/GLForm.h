// Top-level program window with a menu bar and an OpenGL drawing area,
// built on FLTK. It stands in for a Windows form that owns a device
// context and an OpenGL rendering context.
//
// The GL context exists only after Show(); it is created once and the GL
// area is never hidden and re-shown (that would destroy the context and
// every display list and texture in it). The program decides when to swap:
// FLTK's own redraw calls OnPaint and never swaps by itself.
#pragma once
#include <functional>
#include <memory>
#include <string>

class Fl_Menu_Bar;
class Fl_Window;

namespace platform {

class GLFormWindow;
class GLView;

// Opaque handle that the font and pixel-format calls take.
struct DeviceContext;
using HDC = DeviceContext*;

class GLForm {
 public:
  GLForm(int left, int top, int width, int height, const std::string& caption);
  virtual ~GLForm();
  GLForm(const GLForm&) = delete;
  GLForm& operator=(const GLForm&) = delete;

  Fl_Menu_Bar* MenuBar() const;
  Fl_Window* Window() const;

  // Shows the window; the GL context is created on the first MakeCurrent.
  void Show();
  bool Shown() const;
  HDC GetDC();
  // Makes the GL context current, creating it if needed; false without one.
  bool MakeCurrent();
  bool HasContext() const;
  // Presents the back buffer.
  void SwapBuffers();
  // Asks for a repaint from the event loop (OnPaint runs then).
  void Invalidate();

  int ClientWidth() const;   // the GL area in pixels
  int ClientHeight() const;
  int Left() const;
  int Top() const;
  int Width() const;         // the whole window (menu bar included)
  int Height() const;
  void SetBounds(int left, int top, int width, int height);
  void SetCaption(const std::string& caption);

  // Title bar on or off (window border).
  bool TitleBarShown() const;
  void SetTitleBar(bool shown);

  // Menu bar attached (shown above the GL area) or detached.
  bool MenuShown() const;
  void SetMenuShown(bool shown);

  // Ends the window and the program's event loops: hides it, closes an
  // open menu and every other window (dialogs, message boxes), so that
  // every loop waiting on them returns and the message loop ends.
  void Close();

  // Events, all on the GUI thread.
  std::function<void()> OnPaint;                  // draw one frame (and swap)
  std::function<void(int w, int h)> OnResize;     // GL area's new size
  std::function<bool(int key, int state)> OnKeyDown;  // FLTK key code and state; true when used
  std::function<bool(char c)> OnKeyPress;         // printable character; true when used
  std::function<void()> OnCloseRequest;           // window manager close button

 private:
  friend class GLView;
  friend class GLFormWindow;
  std::unique_ptr<GLFormWindow> window_;
  GLView* view_ = nullptr;
  Fl_Menu_Bar* menu_ = nullptr;
  bool contextMade_ = false;
};

// Runs the GUI event loop until every window is closed.
void RunMessageLoop();

// The program has started to end (its Exit command, its window closed, a
// quit signal): a wait in the event loop for something else gives up.
// Set once by the program; tests that make a program's form again in the
// same process clear it.
bool ApplicationEnding();
void SetApplicationEnding(bool ending);

// Closes an open menu and hides every window, so that the loops of menus,
// dialogs and message boxes return (the program is ending).
void EndNestedLoops();

}  // namespace platform
