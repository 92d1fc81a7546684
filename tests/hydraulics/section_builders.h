#pragma once
// Sections of each shape for the toolkit's tests, by the dimensions a
// textbook gives them.

#include "hydraulics/exact/geometry.h"

namespace hydraulics::exact::testing_sections {

inline Section Circular(double Q, double R) { return {.shape = Shape::Circle, .Q = Q, .R = R}; }
inline Section Rectangular(double Q, double b) { return {.shape = Shape::Rectangle, .Q = Q, .b = b}; }
inline Section Trapezoid(double Q, double b, double s) { return {.shape = Shape::Trapezoid, .Q = Q, .b = b, .s = s}; }
inline Section AverageTrapezoid(double Q, double W, double s) {
  return {.shape = Shape::AverageTrapezoid, .Q = Q, .W = W, .s = s};
}
inline Section Triangular(double Q, double s) { return {.shape = Shape::Triangle, .Q = Q, .s = s}; }
inline Section Doorway(double Q, double b, double wall, double angle) {
  return {.shape = Shape::Doorway, .Q = Q, .b = b, .wall = wall, .angle = angle};
}

}  // namespace hydraulics::exact::testing_sections
