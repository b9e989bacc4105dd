// Base of the PFD gauges. Each gauge draws in a logical box of its own
// (for example 100 x 108 units for the attitude indicator); BeginDraw maps
// that box onto its place in the PFD square for the current screen
// rotation and sets a scissor box around it in window pixels; EndDraw
// undoes it.
#pragma once

class TGauge {
 public:
  float Width = 0;            // logical box width (stored only; the scale follows the height)
  float Height = 0;           // logical box height
  float Scale = 0;            // orthographic units per gauge unit, both axes
  float OffsetX = 0;          // lower left corner of the box in the PFD drawing area
  float OffsetY = 0;
  bool Clip = false;          // drawing limited to the scissor box
  float RotationOffsetX = 0;  // centres the drawing area in the PFD square
  float RotationOffsetY = 0;
  float LineWidth = 0;        // standard line width in pixels: Size * 0.25 / 100

  // Size, Left, Bottom: the PFD viewport's side and lower left corner in
  // window pixels; Rotation: the screen rotation in degrees (0, 90, 180 or
  // 270; any other value leaves the rotation offsets and the scissor box as
  // they were). Pushes the model-view matrix; pair with EndDraw.
  void BeginDraw(int Size, int Left, float WidthFraction, float HeightFraction, float XFraction,
                 float YFraction, float Width, float Height, int Bottom, int Rotation, bool Clip);
  // Switches the scissor test off when Clip is set and pops the matrix.
  void EndDraw();
};

// The scissor box BeginDraw sets, in window pixels. Valid is false for a
// rotation other than 0, 90, 180 and 270 (no box is set then).
struct GaugeScissorBox {
  bool Valid = false;
  int X = 0, Y = 0, W = 0, H = 0;
};
GaugeScissorBox GaugeScissor(int Size, int Left, int Bottom, float WidthFraction,
                             float HeightFraction, float XFraction, float YFraction, int Rotation);
