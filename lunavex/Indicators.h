// The three standby instruments: the attitude indicator (a textured, lit
// ball turned by pitch and bank inside a fixed roll scale and aircraft
// symbol), the airspeed indicator and the altimeter. Each draws into the
// square viewport set for it, in instrument units from -100 to 100, on the
// projection matrix (the model-view matrix stays the identity).
#pragma once
#include <memory>
#include <string>

#include "lunavex/CgFont.h"

class TCGTexture;

namespace lunavex {

// The fonts of the standby program, in the order they are created.
struct TStandbyFonts {
  std::unique_ptr<TCGFont2D> Font2D;      // "Arial" 24, weight 700 (not drawn with)
  std::unique_ptr<TCGFont3D> Font30;      // altimeter drums
  std::unique_ptr<TCGFont3D> Font15;      // airspeed labels, altimeter figures
  std::unique_ptr<TCGFont3D> Font10;      // not used by an instrument
  std::unique_ptr<TCGFont3D> Font12;      // altimeter "ALT" and setting digits
  std::unique_ptr<TCGFont3D> Font6;       // altimeter units
  std::unique_ptr<TCGFont3D> Font7;       // 141.42 * 1.0 * 0.05; not used by an instrument
};
extern TStandbyFonts StandbyFonts;
// Creates the seven fonts on the current context.
void CreateStandbyFonts(platform::HDC DC);

// Base of the instrument objects.
class TNavDisplayObject {};

class TArtHorizon : public TNavDisplayObject {
 public:
  TArtHorizon();
  ~TArtHorizon();
  TArtHorizon(const TArtHorizon&) = delete;
  TArtHorizon& operator=(const TArtHorizon&) = delete;

  // Loads the two ball textures and sets up object-linear texture
  // generation. A texture that cannot be loaded is reported on stderr and
  // replaced by its plain colour (sky blue, ground black). Run once, with
  // the rendering context current, before the first Draw.
  void Init();
  void Draw(float Pitch, float Bank);

  static constexpr const char* kSkyFile = "bitmaps\\AItexture-blue.jpg";
  static constexpr const char* kGroundFile = "bitmaps\\AItexture-black.jpg";
  std::unique_ptr<TCGTexture> SkyTexture;
  std::unique_ptr<TCGTexture> GroundTexture;
  bool SkyLoaded = false, GroundLoaded = false;  // loaded from their files

 private:
  void* quadric_ = nullptr;  // GLU quadric of the ball, made once
};

class TSpeedScale : public TNavDisplayObject {
 public:
  void Draw(float Ias);
};

void DrawAltimeter(float Altitude, float Setting);

// glMatrixMode(GL_PROJECTION); glLoadIdentity; glOrtho(-Scale, Scale,
// -Scale, Scale, -100, 100): the projection every instrument starts from.
// The depth range holds the whole ball (radius 80).
void ResetProjection();

// One frame's drawing into a GL area of the given size: clears it black
// and draws the visible instruments of StandbyValues stacked from the top
// in the order horizon, airspeed, altimeter.
void DrawInstruments(int clientWidth, int clientHeight, TArtHorizon& horizon, TSpeedScale& speed);
// The green flag in the altimeter's ten-thousands place.
void DrawAltimeterMarker(double Offset);

// ---- Values behind the drawings ----
// Airspeed needle angle, degrees clockwise from the top.
double SpeedNeedleAngle(float Ias);

struct TAltimeterDrums {
  int R = 0, T = 0;      // altitude rounded (halves to even) and truncated
  int D5 = 0, D4 = 0, D3 = 0;  // ten-thousands, thousands and hundreds digits
  double F = 0;          // roll of the hundreds drum, 0 to 0.8 font units
  double N = 0;          // feet since the last whole thousand
  double NeedleAngle() const { return N / 1000.0 * 360.0; }
};
TAltimeterDrums AltimeterDrums(float Altitude);

// The barometric setting as the altimeter prints it: four texts each,
// thousands (whole), hundreds, tens and units.
struct TSettingDigits {
  std::string Millibars[4];
  std::string Inches[4];
};
TSettingDigits SettingDigits(float Setting);

}  // namespace lunavex
