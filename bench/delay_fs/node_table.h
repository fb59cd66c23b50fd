// The nodes the kernel knows: which FUSE node id stands for which inode of
// the source, and how to reach that inode again there.
#pragma once

#include <fuse_lowlevel.h>

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace delay_fs {

// One inode of the source the kernel holds. A directory keeps an O_PATH
// descriptor of its own, as it is opened and looked in; anything else is
// reached by its name in the directory it was first found in, so the
// descriptors held grow with the directories the kernel remembers, not with
// every file.
struct Node {
    fuse_ino_t id = 0;
    dev_t device = 0;
    ino_t inode = 0;
    int fd = -1;            // directories
    Node* parent = nullptr; // the rest: `name` in this directory
    std::string name;
    std::uint64_t references = 0; // the kernel's lookups, and one per child held
};

// The status of the node's inode in the source, or the errno.
inline int stat_node(const Node& node, struct stat& status)
{
    const int result =
        node.fd >= 0 ? fstatat(node.fd, "", &status, AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW)
                     : fstatat(node.parent->fd, node.name.c_str(), &status, AT_SYMLINK_NOFOLLOW);
    return result == 0 ? 0 : errno;
}

class NodeTable {
public:
    // The root takes FUSE's root id and keeps `root_fd` (an O_PATH
    // descriptor of the source directory) for the table's life.
    NodeTable(int root_fd, const struct stat& root)
    {
        auto node = std::make_unique<Node>();
        node->id = FUSE_ROOT_ID;
        node->device = root.st_dev;
        node->inode = root.st_ino;
        node->fd = root_fd;
        node->references = 1;
        by_inode_[Key{root.st_dev, root.st_ino}] = FUSE_ROOT_ID;
        by_id_[FUSE_ROOT_ID] = std::move(node);
    }

    NodeTable(const NodeTable&) = delete;
    NodeTable& operator=(const NodeTable&) = delete;

    ~NodeTable()
    {
        for (auto& [id, node] : by_id_) {
            if (node->fd >= 0) {
                close(node->fd);
            }
        }
    }

    // The node of an id the kernel sent. The kernel sends only ids it holds,
    // and forgets none while a request on it runs, so the node stays.
    Node* get(fuse_ino_t id)
    {
        const std::shared_lock lock(mutex_);
        const auto found = by_id_.find(id);
        return found == by_id_.end() ? nullptr : found->second.get();
    }

    // Counts one lookup of `name` in `parent`, whose inode has `status`: the
    // node of that inode gains a reference, or a new one is made. `fd` is an
    // O_PATH descriptor when the inode is a directory (else -1); the table
    // owns it from here and closes it when the node already has one.
    fuse_ino_t remember(Node& parent, std::string_view name, const struct stat& status, int fd)
    {
        const std::unique_lock lock(mutex_);
        const Key key{status.st_dev, status.st_ino};
        if (const auto found = by_inode_.find(key); found != by_inode_.end()) {
            Node& node = *by_id_.at(found->second);
            ++node.references;
            if (fd >= 0) {
                close(fd);
            }
            return node.id;
        }
        auto node = std::make_unique<Node>();
        node->id = next_id_++;
        node->device = status.st_dev;
        node->inode = status.st_ino;
        node->fd = fd;
        node->references = 1;
        if (fd < 0) {
            node->parent = &parent;
            node->name = name;
            ++parent.references;
        }
        const fuse_ino_t id = node->id;
        by_inode_[key] = id;
        by_id_[id] = std::move(node);
        return id;
    }

    // The kernel dropped `lookups` of its references to the node.
    void forget(fuse_ino_t id, std::uint64_t lookups)
    {
        const std::unique_lock lock(mutex_);
        const auto found = by_id_.find(id);
        if (found != by_id_.end()) {
            release(found->second.get(), lookups);
        }
    }

private:
    struct Key {
        dev_t device;
        ino_t inode;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& key) const
        {
            return std::hash<std::uint64_t>()(key.inode * 31 + key.device);
        }
    };

    // Drops references; a node left with none goes, and its parent loses the
    // one the node held. The root never goes. Called with the lock held.
    void release(Node* node, std::uint64_t count)
    {
        while (node != nullptr && node->id != FUSE_ROOT_ID) {
            node->references -= count < node->references ? count : node->references;
            if (node->references > 0) {
                return;
            }
            Node* parent = node->parent;
            if (node->fd >= 0) {
                close(node->fd);
            }
            by_inode_.erase(Key{node->device, node->inode});
            by_id_.erase(node->id);
            node = parent;
            count = 1;
        }
    }

    std::shared_mutex mutex_;
    std::unordered_map<fuse_ino_t, std::unique_ptr<Node>> by_id_;
    std::unordered_map<Key, fuse_ino_t, KeyHash> by_inode_;
    fuse_ino_t next_id_ = FUSE_ROOT_ID + 1;
};

} // namespace delay_fs
