#include "MemoryFileOps.h"

#include <algorithm>

#include "engine/CopyCheck.h"

namespace {

class MemoryAppend : public AppendStream {
public:
    MemoryAppend(MemoryFileOps& ops, std::string path, std::shared_ptr<MemoryFileOps::Data> data)
        : ops_(ops), path_(std::move(path)), data_(std::move(data))
    {
        ++data_->writers;
    }
    ~MemoryAppend() override { --data_->writers; }

    bool ReadAll(std::string& text, std::uint64_t maxSize) override
    {
        if (ops_.Ended())
            return false;
        ops_.Tick();
        if (data_->bytes.size() > maxSize)
            return false;
        text = data_->bytes;
        return true;
    }

    bool Append(std::string_view bytes) override
    {
        if (ops_.Ended())
            return false;
        if (!ops_.Fits(path_, bytes.size())) {
            ops_.SetLastError(FileError::kDiskFull);
            return false;
        }
        try {
            ops_.Tick();
        } catch (const Killed&) {
            // Ended while writing: part of the record may have reached the file.
            data_->bytes.append(bytes.substr(0, bytes.size() / 2));
            throw;
        }
        data_->bytes.append(bytes);
        return true;
    }

    bool Flush() override
    {
        if (ops_.Ended())
            return false;
        ops_.Tick();
        return true;
    }

    bool Truncate(std::uint64_t size) override
    {
        if (ops_.Ended())
            return false;
        ops_.Tick();
        if (size < data_->bytes.size())
            data_->bytes.resize(static_cast<std::size_t>(size));
        return true;
    }

private:
    MemoryFileOps& ops_;
    std::string path_;
    std::shared_ptr<MemoryFileOps::Data> data_;
};

class MemoryRead : public ReadStream {
public:
    explicit MemoryRead(std::string bytes) : bytes_(std::move(bytes)) { }

    bool Read(char* buffer, std::size_t size, std::size_t& got) override
    {
        got = std::min(size, bytes_.size() - at_);
        std::copy_n(bytes_.data() + at_, got, buffer);
        at_ += got;
        return true;
    }

    bool Seek(std::uint64_t offset) override
    {
        at_ = static_cast<std::size_t>(std::min<std::uint64_t>(offset, bytes_.size()));
        return true;
    }

private:
    std::string bytes_;
    std::size_t at_ = 0;
};

}  // namespace

MemoryFileOps::MemoryFileOps()
{
    AddFolder("C:");
    AddFolder("D:");
}

std::string MemoryFileOps::Upper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

std::string MemoryFileOps::Key(const std::string& path)
{
    std::string key = Upper(path);
    while (key.size() > 2 && key.back() == '\\')
        key.pop_back();
    return key;
}

std::string MemoryFileOps::ParentKey(const std::string& key)
{
    const auto slash = key.rfind('\\');
    return slash == std::string::npos ? std::string() : key.substr(0, slash);
}

std::string MemoryFileOps::VolumeOf(const std::string& key)
{
    return key.substr(0, 2);
}

void MemoryFileOps::AddFolder(const std::string& path)
{
    Node node;
    node.folder = true;
    node.path = path;
    nodes_[Key(path)] = node;
}

void MemoryFileOps::AddFile(const std::string& path, const std::string& bytes, std::uint64_t writeTime)
{
    Node node;
    node.path = path;
    node.data = std::make_shared<Data>();
    node.data->bytes = bytes;
    node.data->writeTime = writeTime;
    node.data->creationTime = writeTime;
    node.data->index = nextIndex_++;
    nodes_[Key(path)] = node;
}

bool MemoryFileOps::Contents(const std::string& path, std::string& bytes) const
{
    const auto found = nodes_.find(Key(path));
    if (found == nodes_.end() || found->second.folder)
        return false;
    bytes = found->second.data->bytes;
    return true;
}

std::map<std::string, std::string> MemoryFileOps::Files() const
{
    std::map<std::string, std::string> files;
    for (const auto& [key, node] : nodes_)
        if (!node.folder)
            files[node.path] = node.data->bytes;
    return files;
}

std::set<std::string> MemoryFileOps::Folders() const
{
    std::set<std::string> folders;
    for (const auto& [key, node] : nodes_)
        if (node.folder)
            folders.insert(key);
    return folders;
}

void MemoryFileOps::Tick()
{
    if (++calls_ == killAt_) {
        dead_ = true;
        throw Killed();
    }
}

bool MemoryFileOps::Dead()
{
    if (!dead_)
        return false;
    error_ = FileError::kInvalidHandle;
    return true;
}

MemoryFileOps::Node* MemoryFileOps::Find(const std::string& path)
{
    const auto found = nodes_.find(Key(path));
    return found == nodes_.end() ? nullptr : &found->second;
}

bool MemoryFileOps::Fail(std::uint32_t code)
{
    error_ = code;
    return false;
}

Status MemoryFileOps::Failure(std::uint32_t code)
{
    error_ = code;
    return FileFailure(code);
}

bool MemoryFileOps::Held(const std::string& path)
{
    const auto found = held_.find(Upper(path));
    if (found == held_.end() || found->second <= 0)
        return false;
    --found->second;
    return true;
}

bool MemoryFileOps::ParentIsFolder(const std::string& key)
{
    const auto parent = nodes_.find(ParentKey(key));
    return parent != nodes_.end() && parent->second.folder;
}

std::uint64_t MemoryFileOps::Used(const std::string& volume) const
{
    std::set<const Data*> counted;
    std::uint64_t used = 0;
    for (const auto& [key, node] : nodes_)
        if (!node.folder && VolumeOf(key) == volume && counted.insert(node.data.get()).second)
            used += node.data->bytes.size();
    return used;
}

bool MemoryFileOps::Fits(const std::string& path, std::uint64_t more)
{
    const auto limit = capacity_.find(VolumeOf(Key(path)));
    return limit == capacity_.end() || Used(limit->first) + more <= limit->second;
}

bool MemoryFileOps::Stat(const std::string& path, FileState& state)
{
    if (Dead())
        return false;
    const Node* node = Find(path);
    if (node == nullptr)
        return Fail(ParentIsFolder(Key(path)) ? FileError::kFileNotFound : FileError::kPathNotFound);
    state = FileState {};
    state.folder = node->folder;
    if (!node->folder) {
        state.readOnly = node->data->readOnly;
        state.stamp = {node->data->bytes.size(), node->data->writeTime};
        state.creationTime = node->data->creationTime;
    }
    return true;
}

bool MemoryFileOps::Identity(const std::string& path, FileIdentity& identity)
{
    if (Dead())
        return false;
    const Node* node = Find(path);
    if (node == nullptr || node->folder)
        return Fail(FileError::kFileNotFound);
    identity.volume = static_cast<std::uint32_t>(static_cast<unsigned char>(Key(path)[0]));
    identity.index = node->data->index;
    return true;
}

Status MemoryFileOps::MakeFolder(const std::string& folder)
{
    if (Dead())
        return Failure(error_);
    const std::string key = Key(folder);
    if (nodes_.count(key) != 0)
        return Failure(FileError::kAlreadyExists);
    if (!ParentIsFolder(key))
        return Failure(FileError::kPathNotFound);
    Tick();
    Node node;
    node.folder = true;
    node.path = folder;
    while (node.path.size() > 2 && node.path.back() == '\\')
        node.path.pop_back();
    nodes_[key] = node;
    return Status();
}

Status MemoryFileOps::RemoveFolder(const std::string& folder)
{
    if (Dead())
        return Failure(error_);
    const std::string key = Key(folder);
    const Node* node = Find(folder);
    if (node == nullptr || !node->folder)
        return Failure(FileError::kFileNotFound);
    for (const auto& [other, ignored] : nodes_)
        if (other.size() > key.size() && other.compare(0, key.size(), key) == 0 && other[key.size()] == '\\')
            return Failure(FileError::kDirNotEmpty);
    Tick();
    nodes_.erase(key);
    return Status();
}

Status MemoryFileOps::Rename(const std::string& from, const std::string& to, bool replace, bool)
{
    if (Dead())
        return Failure(error_);
    const std::string fromKey = Key(from), toKey = Key(to);
    Node* node = Find(from);
    if (node == nullptr)
        return Failure(ParentIsFolder(fromKey) ? FileError::kFileNotFound : FileError::kPathNotFound);
    if (VolumeOf(fromKey) != VolumeOf(toKey))
        return Failure(FileError::kNotSameDevice);
    if (Held(from) || Held(to) || (!node->folder && node->data->writers > 0))
        return Failure(FileError::kSharingViolation);
    if (!ParentIsFolder(toKey))
        return Failure(FileError::kPathNotFound);
    const Node* existing = Find(to);
    if (existing != nullptr && fromKey != toKey) {
        if (!replace)
            return Failure(FileError::kAlreadyExists);
        if (existing->folder || existing->data->readOnly)
            return Failure(FileError::kAccessDenied);
    }
    if (node->folder)
        return Failure(FileError::kAccessDenied);  // the run never renames folders
    Tick();
    Node moved = *node;
    moved.path = to;
    // Tunnelling: the name's creation time goes with it to the file that takes it over.
    if (existing != nullptr && fromKey != toKey)
        moved.data->creationTime = existing->data->creationTime;
    nodes_.erase(fromKey);
    nodes_[toKey] = moved;
    return Status();
}

Status MemoryFileOps::HardLink(const std::string& existing, const std::string& link)
{
    if (Dead())
        return Failure(error_);
    const std::string linkKey = Key(link);
    Node* node = Find(existing);
    if (node == nullptr || node->folder)
        return Failure(FileError::kFileNotFound);
    if (VolumeOf(Key(existing)) != VolumeOf(linkKey))
        return Failure(FileError::kNotSameDevice);
    if (nodes_.count(linkKey) != 0)
        return Failure(FileError::kAlreadyExists);
    if (!ParentIsFolder(linkKey))
        return Failure(FileError::kPathNotFound);
    Tick();
    Node second = *node;
    second.path = link;
    nodes_[linkKey] = second;
    return Status();
}

Status MemoryFileOps::Delete(const std::string& path)
{
    if (Dead())
        return Failure(error_);
    Node* node = Find(path);
    if (node == nullptr || node->folder)
        return Failure(node == nullptr ? FileError::kFileNotFound : FileError::kAccessDenied);
    if (node->data->readOnly)
        return Failure(FileError::kAccessDenied);
    if (Held(path) || node->data->writers > 0)
        return Failure(FileError::kSharingViolation);
    Tick();
    if (lying_.count(Upper(path)) == 0)
        nodes_.erase(Key(path));
    return Status();
}

Status MemoryFileOps::SetReadOnly(const std::string& path, bool readOnly)
{
    if (Dead())
        return Failure(error_);
    Node* node = Find(path);
    if (node == nullptr || node->folder)
        return Failure(FileError::kFileNotFound);
    Tick();
    node->data->readOnly = readOnly;
    return Status();
}

Status MemoryFileOps::SetWriteTimeFromDos(const std::string& path, std::uint16_t dosDate,
                                          std::uint16_t dosTime)
{
    if (Dead())
        return Failure(error_);
    Node* node = Find(path);
    if (node == nullptr || node->folder)
        return Failure(FileError::kFileNotFound);
    Tick();
    // Days since 1970-01-01 of the civil date, then seconds in the stamps' units from 1601.
    int year = 1980 + (dosDate >> 9);
    const int month = (dosDate >> 5) & 15, day = dosDate & 31;
    if (month < 1 || month > 12 || day < 1)
        return Failure(FileError::kInvalidParameter);
    year -= month <= 2 ? 1 : 0;
    const long long era = year / 400, yearOfEra = year - era * 400;
    const long long dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const long long days =
            era * 146097 + yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear - 719468;
    const long long seconds = days * 86400 + (dosTime >> 11) * 3600 + ((dosTime >> 5) & 63) * 60 +
                              (dosTime & 31) * 2 + 11644473600LL;
    node->data->writeTime = static_cast<std::uint64_t>(seconds) * 10000000ULL;
    return Status();
}

Status MemoryFileOps::SetCreationTime(const std::string& path, std::uint64_t creationTime)
{
    if (Dead())
        return Failure(error_);
    Node* node = Find(path);
    if (node == nullptr || node->folder)
        return Failure(FileError::kFileNotFound);
    Tick();
    node->data->creationTime = creationTime;
    return Status();
}

Status MemoryFileOps::CopyNew(const std::string& source, const std::string& target,
                              std::uint64_t expectedSize, ByteProgress* progress, ContentHasher* hasher)
{
    if (Dead())
        return Failure(error_);
    const Node* from = Find(source);
    if (from == nullptr || from->folder)
        return Failure(FileError::kFileNotFound);
    const std::string key = Key(target);
    if (nodes_.count(key) != 0)
        return Failure(FileError::kFileExists);
    if (!ParentIsFolder(key))
        return Failure(FileError::kPathNotFound);
    const std::shared_ptr<Data> in = from->data;
    Tick();
    Node node;
    node.path = target;
    node.data = std::make_shared<Data>();
    node.data->index = nextIndex_++;
    node.data->creationTime = clock_++;
    nodes_[key] = node;
    const std::shared_ptr<Data> out = node.data;
    const std::string& bytes = in->bytes;
    // Half, then the rest: a kill or a full drive in between leaves a cut file under this name.
    const std::size_t half = bytes.size() / 2;
    for (const auto& [offset, length] :
         {std::pair<std::size_t, std::size_t> {0, half}, {half, bytes.size() - half}}) {
        if (!Fits(target, length)) {
            nodes_.erase(key);
            return Failure(FileError::kDiskFull);
        }
        out->bytes.append(bytes, offset, length);
        if (hasher != nullptr)
            hasher->Update(bytes.data() + offset, length);
        if (offset == 0)
            Tick();
        if (offset == 0 && progress != nullptr && !progress->Advance(out->bytes.size(), bytes.size())) {
            nodes_.erase(key);
            return Failure(FileError::kCancelled);
        }
    }
    if (out->bytes.size() != expectedSize || failingFlushes_.count(key) != 0) {
        nodes_.erase(key);
        return Failure(FileError::kWriteFault);
    }
    out->writeTime = in->writeTime;
    out->readOnly = in->readOnly;
    return Status();
}

bool MemoryFileOps::ListFiles(const std::string& folder, std::vector<std::string>& names)
{
    if (Dead())
        return false;
    const std::string key = Key(folder);
    const Node* node = Find(folder);
    if (node == nullptr || !node->folder)
        return Fail(FileError::kPathNotFound);
    for (const auto& [other, child] : nodes_)
        if (!child.folder && ParentKey(other) == key)
            names.push_back(child.path.substr(child.path.rfind('\\') + 1));
    return true;
}

bool MemoryFileOps::ListNames(const std::string& folder, std::vector<std::string>& names)
{
    if (Dead())
        return false;
    const std::string key = Key(folder);
    const Node* node = Find(folder);
    if (node == nullptr || !node->folder)
        return Fail(FileError::kPathNotFound);
    for (const auto& [other, child] : nodes_) {
        if (ParentKey(other) != key)
            continue;
        std::string path = child.path;
        while (!path.empty() && path.back() == '\\')
            path.pop_back();
        names.push_back(path.substr(path.rfind('\\') + 1));
    }
    return true;
}

std::unique_ptr<AppendStream> MemoryFileOps::OpenAppend(const std::string& path, bool createNew)
{
    if (Dead())
        return nullptr;
    const std::string key = Key(path);
    Node* node = Find(path);
    if (createNew) {
        if (node != nullptr) {
            Fail(FileError::kFileExists);
            return nullptr;
        }
        if (!ParentIsFolder(key)) {
            Fail(FileError::kPathNotFound);
            return nullptr;
        }
        Tick();
        AddFile(path, "", clock_++);
        node = Find(path);
    } else if (node == nullptr || node->folder) {
        Fail(FileError::kFileNotFound);
        return nullptr;
    }
    if (node->data->writers > 0 || Held(path)) {
        Fail(FileError::kSharingViolation);
        return nullptr;
    }
    return std::make_unique<MemoryAppend>(*this, path, node->data);
}

std::unique_ptr<ReadStream> MemoryFileOps::OpenRead(const std::string& path)
{
    if (Dead())
        return nullptr;
    const Node* node = Find(path);
    if (node == nullptr || node->folder) {
        Fail(FileError::kFileNotFound);
        return nullptr;
    }
    return std::make_unique<MemoryRead>(node->data->bytes);
}

std::unique_ptr<ReadStream> MemoryFileOps::OpenReadUncached(const std::string& path)
{
    std::unique_ptr<ReadStream> stream = OpenRead(path);
    if (!stream || garbledReadBacks_ == 0)
        return stream;
    --garbledReadBacks_;
    // The drive gives back other bytes than it was given: the last byte read flipped (an empty
    // file reads one byte too many).
    std::string bytes = Find(path)->data->bytes;
    if (bytes.empty())
        bytes.push_back('\0');
    else
        bytes.back() = static_cast<char>(~bytes.back());
    return std::make_unique<MemoryRead>(std::move(bytes));
}
