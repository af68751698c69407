// Colour-space conversions: pure functions, no state.
//
// The double group takes and returns 8-bit channel values (0..255) and works in
// double precision throughout. A fraction becomes a byte by multiplying by 255
// and truncating toward zero (never rounding); "low byte" outputs wrap modulo
// 256 instead of clamping (only inputs outside their ranges reach that).
// Hue is in degrees; saturation, value, lightness and CMYK are fractions 0..1.
//
// The single-precision pair (RgbToHslF / HslToRgbF) works on channels 0..1 and
// serves the hue, saturation, luminosity and colour blend modes.
//
// Inputs are taken by value, so every output may alias an input.
#pragma once
#include <cstdint>

// 1/255, the scale from an 8-bit channel to a fraction.
constexpr double kByteToUnit = 0.00392156862745098;

void RgbToHsv(int r, int g, int b, double &h, double &s, double &v);
void HsvToRgb(double h, double s, double v, uint8_t &r, uint8_t &g, uint8_t &b);
void RgbToHsl(int r, int g, int b, double &h, double &s, double &l);
void HslToRgb(double h, double s, double l, uint8_t &r, uint8_t &g, uint8_t &b);

void RgbToHslF(float r, float g, float b, float &h, float &s, float &l);
void HslToRgbF(float h, float s, float l, float &r, float &g, float &b);
float HueToChannelF(float m1, float m2, float hue);

void RgbToXyz(int r, int g, int b, double &X, double &Y, double &Z);
void XyzToLab(double X, double Y, double Z, double &L, double &a, double &b);
void LabToXyz(double L, double a, double b, double &X, double &Y, double &Z);
void XyzToRgb(double X, double Y, double Z, uint8_t &r, uint8_t &g, uint8_t &b);
void LabToRgb(double L, double a, double b, uint8_t &r, uint8_t &g, uint8_t &bl);

void CmyToCmyk(double c, double m, double y, double &oc, double &om, double &oy, double &k);
void CmykToRgb(double c, double m, double y, double k, uint8_t &r, uint8_t &g, uint8_t &b);
void CmyToRgb(double c, double m, double y, uint8_t &r, uint8_t &g, uint8_t &b);
