#pragma once
// The lookup's fields of a JPEG file's EXIF block, taken from what metaprobe's TIFF reader
// gathered while it listed the block for the capture date: the block is read once.

#include "metadata/ImageInfo.h"
#include "metaprobe/ExifFacts.h"

// `exifRead`: the block's TIFF header was read (the facts are empty when it was not). Fills
// exifParsed, model, bodySerial, orientation and the GPS position of `info`, each cut or checked
// to fit its field.
void TakeExifFields(const metaprobe::ImageFacts& facts, bool exifRead, ImageInfo& info);
