#pragma once
// The loader program as a flash image: 261 words from word address 0, low
// byte of each word first, padded with 0xFF to 522 bytes. It is built from
// Loader.S in this folder; ELoader.cpp is generated from the assembled
// binary (target `update_loader_image`) and checked in, so that the
// program builds without the AVR toolchain.

#include <array>
#include <cstdint>

constexpr int LoaderImageSize = 522;

extern const std::array<uint8_t, LoaderImageSize> LoaderImage;
