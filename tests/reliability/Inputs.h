// Broken and unusual input files, written by the tests themselves: .x meshes in
// text, binary and compressed form, and pictures.
#pragma once

#include <cstdint>
#include <string>

#include "tools/xwriter/XWriter.h"

// A text mesh file with the given body after the "xof 0303txt 0032" header.
std::string TextX(const std::string& body);
// A small valid text triangle mesh (three vertices, one face).
std::string TriangleText();
// `depth` frames nested around one triangle mesh, each with a transform.
std::string NestedFramesText(int depth);
// A grid mesh of n x n quads, big enough at n = 40 to span several compressed
// blocks, ready to finish or to pack by hand.
xwriter::Writer Grid(int n, xwriter::Encoding encoding);

// A PNG picture of one colour, w x h, written row by row (memory stays small).
std::string SolidPng(int width, int height);
// A PNG whose header claims w x h but whose data stops after a few rows.
std::string TruncatedPng(int width, int height);

// Bytes from a fixed-seed generator.
std::string RandomBytes(std::size_t count, std::uint32_t seed);
