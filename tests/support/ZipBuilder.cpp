#include "tests/support/ZipBuilder.h"

#include <zlib.h>

#include <stdexcept>

namespace {

void Put16(std::string& out, std::uint64_t value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, std::uint64_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, (value >> 16) & 0xFFFF);
}

void Put64(std::string& out, std::uint64_t value)
{
    Put32(out, value & 0xFFFFFFFF);
    Put32(out, value >> 32);
}

}  // namespace

void ZipBuilder::Add(std::string name, std::string data, bool deflate, bool utf8Flag)
{
    ZipBuildEntry entry;
    entry.name = std::move(name);
    entry.data = std::move(data);
    entry.deflate = deflate;
    entry.utf8Flag = utf8Flag;
    entries_.push_back(std::move(entry));
}

std::string DeflateRaw(const std::string& data)
{
    z_stream z {};
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&z, data.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int status = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (status != Z_STREAM_END)
        throw std::runtime_error("deflate");
    return out;
}

std::string ZipBuilder::Build(ZipLayout* layout) const
{
    std::string out;
    std::string central;
    ZipLayout local;
    for (const ZipBuildEntry& entry : entries_) {
        const std::string packed = entry.deflate ? DeflateRaw(entry.data) : entry.data;
        const std::uint32_t crc = static_cast<std::uint32_t>(crc32(
                0, reinterpret_cast<const Bytef*>(entry.data.data()), static_cast<uInt>(entry.data.size())));
        const std::uint16_t flags = entry.utf8Flag ? 0x0800 : 0;
        const std::uint16_t method = entry.deflate ? 8 : 0;
        const std::uint64_t headerOffset = prefix_ + out.size();
        local.headerOffsets.push_back(out.size());
        std::string extra;
        if (zip64_) {
            Put16(extra, 0x0001);
            Put16(extra, 24);
            Put64(extra, entry.data.size());
            Put64(extra, packed.size());
            Put64(extra, headerOffset);
        }
        Put32(out, 0x04034b50);
        Put16(out, zip64_ ? 45 : 20);
        Put16(out, flags);
        Put16(out, method);
        Put16(out, entry.dosTime);
        Put16(out, entry.dosDate);
        Put32(out, crc);
        Put32(out, zip64_ ? 0xFFFFFFFF : packed.size());
        Put32(out, zip64_ ? 0xFFFFFFFF : entry.data.size());
        Put16(out, entry.name.size());
        Put16(out, 0);
        out += entry.name;
        local.dataOffsets.push_back(out.size());
        out += packed;

        Put32(central, 0x02014b50);
        Put16(central, 0x0314);
        Put16(central, zip64_ ? 45 : 20);
        Put16(central, flags);
        Put16(central, method);
        Put16(central, entry.dosTime);
        Put16(central, entry.dosDate);
        Put32(central, crc);
        Put32(central, zip64_ ? 0xFFFFFFFF : packed.size());
        Put32(central, zip64_ ? 0xFFFFFFFF : entry.data.size());
        Put16(central, entry.name.size());
        Put16(central, extra.size());
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put32(central, 0);
        Put32(central, zip64_ ? 0xFFFFFFFF : headerOffset);
        central += entry.name;
        central += extra;
    }
    local.centralOffset = out.size();
    const std::uint64_t centralOffset = prefix_ + out.size();
    out += central;
    if (zip64_) {
        const std::uint64_t record = prefix_ + out.size();
        Put32(out, 0x06064b50);
        Put64(out, 44);
        Put16(out, 45);
        Put16(out, 45);
        Put32(out, 0);
        Put32(out, 0);
        Put64(out, entries_.size());
        Put64(out, entries_.size());
        Put64(out, central.size());
        Put64(out, centralOffset);
        Put32(out, 0x07064b50);
        Put32(out, 0);
        Put64(out, record);
        Put32(out, 1);
    }
    local.endOffset = out.size();
    Put32(out, 0x06054b50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, zip64_ ? 0xFFFF : entries_.size());
    Put16(out, zip64_ ? 0xFFFF : entries_.size());
    Put32(out, zip64_ ? 0xFFFFFFFF : central.size());
    Put32(out, zip64_ ? 0xFFFFFFFF : centralOffset);
    Put16(out, 0);
    if (layout)
        *layout = local;
    return out;
}
