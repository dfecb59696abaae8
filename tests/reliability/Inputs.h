// Broken and unusual input files, written by the tests themselves: .x meshes in
// text, binary and compressed form, and pictures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A text mesh file with the given body after the "xof 0303txt 0032" header.
std::string TextX(const std::string& body);
// A small valid text triangle mesh (three vertices, one face).
std::string TriangleText();
// A text grid mesh of n x n quads, big enough to span several compressed blocks.
std::string GridText(int n);
// `depth` frames nested around one triangle mesh, each with a transform.
std::string NestedFramesText(int depth);

// Binary tokens of the .x binary encoding.
struct BinaryX {
    std::string bytes;
    BinaryX& Word(std::uint16_t w);
    BinaryX& Dword(std::uint32_t d);
    BinaryX& Name(const std::string& name);
    BinaryX& IntList(const std::vector<std::uint32_t>& values);
    BinaryX& IntListClaiming(std::uint32_t count, const std::vector<std::uint32_t>& values);
    BinaryX& FloatList(const std::vector<float>& values);
    BinaryX& FloatListClaiming(std::uint32_t count, const std::vector<float>& values);
    BinaryX& Open();
    BinaryX& Close();
    // The whole file: "xof 0303bin 0032" and the tokens.
    std::string File() const;
};
// A binary grid mesh of n x n quads (body only, without the header).
std::string GridBinaryBody(int n);

// One block of the compressed form, before it is joined: what it inflates to and
// its bytes.
struct CompressedBlock {
    std::uint16_t rawSize = 0;
    std::uint16_t packedSize = 0;  // counts the two signature bytes
    std::string signature = "CK";
    std::string data;  // raw deflate stream
};
struct CompressedX {
    std::string header;  // 16 bytes, e.g. "xof 0303tzip0032"
    std::uint32_t total = 0;
    std::vector<CompressedBlock> blocks;
    std::string trailing;
    std::string File() const;
};
// Compresses a txt/bin body ("tzip" or "bzip") into blocks of at most 32 KiB.
CompressedX Compress(const std::string& body, const std::string& encoding);

// A PNG picture of one colour, w x h, written row by row (memory stays small).
std::string SolidPng(int width, int height);
// A PNG whose header claims w x h but whose data stops after a few rows.
std::string TruncatedPng(int width, int height);

// Bytes from a fixed-seed generator.
std::string RandomBytes(std::size_t count, std::uint32_t seed);
