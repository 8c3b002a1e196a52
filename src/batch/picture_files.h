// Pictures read from files and written into them: the file work around the
// codec (tga/), through the platform layer.
#pragma once

#include <functional>
#include <string>

#include "platform/files.h"
#include "tga/tga_image.h"

// Reads the file `name` of `folder` into `image` (see TgaImage::load; a
// "*.png" name TgaImage::loadPng), and who may read it into `readers` when
// not null. False when the file cannot be opened (the record is then
// unchanged) or its pixel buffer cannot be had (the record is then empty).
bool loadPicture(platform::Folder& folder, const std::string& name, TgaImage& image,
                 platform::Readers* readers = nullptr);

// Writes the file `name` of `folder` whole or not at all, with the bytes
// `encode` puts into the sink it is given; `from` says who may open it. A
// copy of the bytes goes into `keep` when it is not null (and is left empty
// when memory runs out for it), and the name the file is written under
// (see ReplacementFile::name) into `writtenAs`. False, with the file as it
// was, when anything fails.
struct KeptCopy {
    tga::ByteBuffer* bytes = nullptr;
    std::string* writtenAs = nullptr;
};
bool writePicture(platform::Folder& folder, const std::string& name, const platform::MadeFrom& from,
                  const std::function<bool(tga::ByteSink&)>& encode, const KeptCopy& keep = {});
