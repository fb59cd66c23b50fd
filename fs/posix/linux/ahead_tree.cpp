// The tree read ahead of the walk: what the workers find, in the walk's
// order, what they are to do next, and what the walk's moves leave behind.
// Every function here runs under the tree's lock.
#include "fs/posix/linux/ahead_tree.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace ahead {

namespace {

class MallocResource final : public std::pmr::memory_resource {
    void* do_allocate(std::size_t bytes, std::size_t) override
    {
        if (void* memory = std::malloc(bytes)) {
            return memory;
        }
        throw std::bad_alloc();
    }
    void do_deallocate(void* memory, std::size_t, std::size_t) override { std::free(memory); }
    bool do_is_equal(const memory_resource& other) const noexcept override
    {
        return this == &other;
    }
};

bool settles(EntryState state)
{
    return state == EntryState::NOT_NEEDED || state == EntryState::GATHERED;
}

void delete_block(Block* block)
{
    std::pmr::polymorphic_allocator<Block>(&memory()).delete_object(block);
}

} // namespace

std::pmr::memory_resource& memory()
{
    static MallocResource resource;
    return resource;
}

Tree& tree()
{
    static Tree shared;
    return shared;
}

bool Block::is_directory(std::uint32_t index) const
{
    const dirent64& entry = record(index);
    if (is_dot_entry(entry.d_name) || (entry.d_type != DT_DIR && entry.d_type != DT_UNKNOWN)) {
        return false;
    }
    if (entry.d_type == DT_DIR) {
        return true;
    }
    const EntryFacts& found = entries[index].facts;
    return state(index) == EntryState::GATHERED && found.error == 0 &&
           S_ISDIR(found.status.mode);
}

// A block given back: its entries no longer count against what is held.
void Tree::forget(Block* block)
{
    --blocks_held_;
    entries_held_ -= block->count;
    delete_block(block);
}

void Tree::plant(int fd, const DirectoryId& id)
{
    Node* root = new_node(nullptr, "");
    root->state = NodeState::OPEN;
    root->fd = fd;
    root->id = id;
    root->listed = true;
    root->served = true;
    root->arrived = id;
    head = root;
    walk_at = root;
    descriptors_open_ = 1;
}

Node* Tree::new_node(Node* parent, const char* name)
{
    if (nodes_known_ >= MAX_DIRECTORIES_KNOWN) {
        return nullptr;
    }
    std::pmr::polymorphic_allocator<Node> allocator(&memory());
    Node* node = allocator.new_object<Node>();
    try {
        node->name = name;
    } catch (...) {
        allocator.delete_object(node);
        throw;
    }
    node->parent = parent;
    node->depth = parent != nullptr ? parent->depth + 1 : 0;
    ++nodes_known_;
    return node;
}

// The child goes after the last of its parent's subtree: the walk's order.
void Tree::insert_child(Node& parent, Node& child)
{
    Node* after = &parent;
    while (after->last_child != nullptr) {
        after = after->last_child;
    }
    child.prior = after;
    child.next = after->next;
    if (after->next != nullptr) {
        after->next->prior = &child;
    }
    after->next = &child;
    if (parent.last_child != nullptr) {
        parent.last_child->next_sibling = &child;
    } else {
        parent.first_child = &child;
    }
    parent.last_child = &child;
}

// The subdirectories of the blocks read, in their order, as far as the kind
// of each entry is known.
void Tree::make_children(Node& node)
{
    while (!node.dropped && node.children_from != nullptr) {
        Block& block = *node.children_from;
        for (; node.children_at < block.count; ++node.children_at) {
            const std::uint32_t index = node.children_at;
            if (block.record(index).d_type == DT_UNKNOWN && !settles(block.state(index))) {
                return; // its stat is still to come
            }
            if (block.is_directory(index)) {
                if (Node* child = new_node(&node, block.record(index).d_name)) {
                    insert_child(node, *child);
                    ++work_added;
                }
            }
        }
        node.children_from = block.next;
        node.children_at = 0;
        if (block.next == nullptr) {
            return;
        }
    }
}

bool Tree::wants_facts(const Node& node, const dirent64& record) const
{
    if (is_dot_entry(record.d_name)) {
        return false;
    }
    if (record.d_type == DT_UNKNOWN) {
        return true; // its kind tells whether it is a subdirectory
    }
    return !node.listed && (record.d_type != DT_DIR || directories_are_described());
}

void Tree::settle(Block& block)
{
    while (block.settled < block.count && settles(block.state(block.settled))) {
        ++block.settled;
    }
}

// The node and everything below it: the walk lists none of them.
void Tree::drop(Node& node)
{
    for (Node* below = &node; below != nullptr && (below == &node || below->depth > node.depth);
         below = below->next) {
        below->dropped = true;
    }
}

void Tree::drop_children_before(Node& parent, Node* stop)
{
    for (Node* child = parent.first_child; child != nullptr && child != stop;
         child = child->next_sibling) {
        if (!child->visited) {
            child->visited = true;
            drop(*child);
        }
    }
}

// Frees the blocks no one will read: those of a node dropped, or listed and
// past the finding of its children, where no worker and no reader is on it.
void Tree::release_blocks(Node& node)
{
    if (node.busy != 0 || node.reader_on || !(node.dropped || node.listed)) {
        return;
    }
    while (node.first_block != nullptr &&
           (node.dropped || node.first_block != node.children_from)) {
        Block* block = node.first_block;
        if (!node.dropped && block->settled < block->count) {
            return;
        }
        node.first_block = block->next;
        if (node.last_block == block) {
            node.last_block = nullptr;
        }
        forget(block);
        ++work_added;
    }
}

void Tree::release_through(Node& node, Block* block)
{
    while (node.first_block != nullptr && node.first_block != node.children_from) {
        Block* first = node.first_block;
        node.first_block = first->next;
        if (node.last_block == first) {
            node.last_block = nullptr;
        }
        forget(first);
        ++work_added;
        if (first == block) {
            return;
        }
    }
}

// Its descriptor is needed no more: nothing is left to read, gather or
// open through it.
bool Tree::may_close(const Node& node) const
{
    if (node.fd < 0 || node.busy != 0 || node.reader_on) {
        return false;
    }
    // A child being opened opens through this descriptor, dropped or not.
    for (const Node* child = node.first_child; child != nullptr; child = child->next_sibling) {
        if (child->state == NodeState::OPENING ||
            (!node.dropped && !child->dropped && child->state == NodeState::WAITING)) {
            return false;
        }
    }
    if (node.dropped) {
        return true;
    }
    if (!node.read_done || node.children_from != nullptr || (node.free_wanted && !node.free_done)) {
        return false;
    }
    for (const Block* block = node.first_block; block != nullptr; block = block->next) {
        if (block->settled < block->count) {
            return false;
        }
    }
    return true;
}

bool Tree::may_free(const Node& node) const
{
    return node.fd < 0 && node.state != NodeState::OPENING && node.busy == 0 && !node.reader_on &&
           node.first_child == nullptr && (node.dropped || node.listed) && &node != walk_at;
}

void Tree::unlink(Node& node)
{
    while (node.first_block != nullptr) {
        Block* block = node.first_block;
        node.first_block = block->next;
        forget(block);
    }
    if (node.prior != nullptr) {
        node.prior->next = node.next;
    }
    if (node.next != nullptr) {
        node.next->prior = node.prior;
    }
    if (head == &node) {
        head = node.next;
    }
    if (Node* parent = node.parent) {
        Node* before = nullptr;
        for (Node* child = parent->first_child; child != &node; child = child->next_sibling) {
            before = child;
        }
        (before != nullptr ? before->next_sibling : parent->first_child) = node.next_sibling;
        if (parent->last_child == &node) {
            parent->last_child = before;
        }
    }
    --nodes_known_;
    std::pmr::polymorphic_allocator<Node>(&memory()).delete_object(&node);
}

// Frees what the node no longer needs, the node itself where nothing is
// left of it, and then so for its parents.
void Tree::tidy(Node* node)
{
    while (node != nullptr) {
        release_blocks(*node);
        if (may_close(*node)) {
            close(node->fd);
            node->fd = -1;
            --descriptors_open_;
            ++work_added; // room for another
        }
        if (!may_free(*node)) {
            return;
        }
        Node* parent = node->parent;
        unlink(*node);
        node = parent;
    }
}

// The next entries to gather of the node's first block that has any.
Work Tree::gather_work(Node& node)
{
    for (Block* block = node.first_block; block != nullptr; block = block->next) {
        std::uint32_t index = block->claimed;
        while (index < block->count && block->state(index) != EntryState::WANTED) {
            ++index;
        }
        block->claimed = index;
        if (index == block->count) {
            continue;
        }
        const std::uint32_t first = index;
        for (std::uint32_t taken = 0; index < block->count && taken < stat_chunk; ++index) {
            if (block->state(index) == EntryState::WANTED) {
                block->state(index) = EntryState::GATHERING;
                ++taken;
            }
        }
        block->claimed = index;
        ++node.busy;
        return {Work::GATHER, &node, block, first, index};
    }
    return {};
}

Work Tree::work_on(Node& node)
{
    const bool target = is_walk_target(node);
    if (node.state == NodeState::WAITING) {
        const bool room = descriptors_open_ < descriptor_budget && room_to_read();
        if (node.parent == nullptr || node.parent->fd < 0 || !(room || target)) {
            return {};
        }
        node.state = NodeState::OPENING;
        ++descriptors_open_;
        ++node.busy;
        return {Work::OPEN, &node};
    }
    if (node.state != NodeState::OPEN) {
        return {};
    }
    if (const Work gather = gather_work(node); gather.kind != Work::NONE) {
        return gather;
    }
    if (!node.reading && !node.read_done && (room_to_read() || target)) {
        node.reading = true;
        ++blocks_held_;
        ++node.busy;
        return {Work::READ, &node};
    }
    if (node.free_wanted && !node.free_asked) {
        node.free_asked = true;
        ++node.busy;
        return {Work::FREE, &node};
    }
    return {};
}

Work Tree::take_work()
{
    const bool may_open = descriptors_open_ < descriptor_budget && room_to_read();
    for (Node* node = head; node != nullptr && running(); node = node->next) {
        if (node->dropped || (node->state == NodeState::WAITING && !may_open &&
                              !is_walk_target(*node))) {
            continue;
        }
        if (const Work work = work_on(*node); work.kind != Work::NONE) {
            return work;
        }
    }
    return {};
}

void Tree::finish_open(Node& node, int fd, const DirectoryId& id, int error)
{
    --node.busy;
    if (fd < 0) {
        node.state = NodeState::FAILED;
        node.read_error = error;
        --descriptors_open_;
        drop(node); // the walk reads it for itself, and reports what it finds
    } else {
        node.state = NodeState::OPEN;
        node.fd = fd;
        node.id = id;
        node.free_wanted = !node.listed;
        work_added += 2; // its read, and its free space
        if (node.arrived && *node.arrived != id) {
            drop(node); // not the directory the walk's own step found
        }
    }
    tidy(&node);
}

void Tree::finish_read(Node& node, Block* block, long got, int error)
{
    --node.busy;
    node.reading = false;
    if (got <= 0) {
        forget(block);
        node.read_done = true;
        node.read_failed = got < 0;
        node.read_error = error;
        tidy(&node);
        return;
    }
    entries_held_ += block->count;
    std::uint32_t wanted_entries = 0;
    for (std::uint32_t index = 0; index < block->count; ++index) {
        const bool wanted = wants_facts(node, block->record(index));
        block->state(index) = wanted ? EntryState::WANTED : EntryState::NOT_NEEDED;
        wanted_entries += wanted ? 1 : 0;
    }
    work_added += (wanted_entries + stat_chunk - 1) / stat_chunk;
    settle(*block);
    (node.last_block != nullptr ? node.last_block->next : node.first_block) = block;
    node.last_block = block;
    ++work_added;
    if (node.children_from == nullptr) {
        node.children_from = block;
        node.children_at = 0;
    }
    make_children(node);
    tidy(&node);
}

void Tree::finish_gather(const Work& work)
{
    Node& node = *work.node;
    --node.busy;
    for (std::uint32_t index = work.first; index < work.last; ++index) {
        if (work.block->state(index) == EntryState::GATHERING) {
            work.block->state(index) = EntryState::GATHERED;
        }
    }
    settle(*work.block);
    make_children(node);
    tidy(&node);
}

void Tree::finish_free(Node& node, std::optional<std::uint64_t> bytes)
{
    --node.busy;
    node.free_done = true;
    node.free_bytes = bytes;
    tidy(&node);
}

void Tree::abandon(const Work& work)
{
    Node& node = *work.node;
    --node.busy;
    switch (work.kind) {
    case Work::OPEN:
        node.state = NodeState::FAILED;
        --descriptors_open_;
        drop(node);
        break;
    case Work::READ:
        node.reading = false;
        --blocks_held_;
        break;
    case Work::GATHER:
        for (std::uint32_t index = work.first; index < work.last; ++index) {
            if (work.block->state(index) == EntryState::GATHERING) {
                work.block->state(index) = EntryState::WANTED;
            }
        }
        work.block->claimed = std::min(work.block->claimed, work.first);
        break;
    case Work::FREE: node.free_asked = false; break;
    case Work::NONE: break;
    }
    tidy(&node);
}

namespace {

// The first child of parent not yet entered or passed over that bears the
// name; null where the tree knows none.
Node* unvisited_child(Node& parent, const std::string& name)
{
    for (Node* child = parent.first_child; child != nullptr; child = child->next_sibling) {
        if (!child->visited && std::string_view{child->name} == name) {
            return child;
        }
    }
    return nullptr;
}

} // namespace

void Tree::walk_entered(std::unique_lock<std::mutex>& held, const std::string& name,
                        const DirectoryId& here)
{
    if (off_tree > 0 || walk_at == nullptr) {
        ++off_tree;
        return;
    }
    Node& at = *walk_at;
    at.listed = true; // its pass is over
    Node* child = unvisited_child(at, name);
    // The walk read the directory itself (the start directory, always):
    // the workers' read of it is about to tell its children.
    while (child == nullptr && running() && !at.read_done && at.state == NodeState::OPEN) {
        wait_for_workers(held);
        child = unvisited_child(at, name);
    }
    if (child == nullptr) {
        off_tree = 1;
        tidy(&at);
        return;
    }
    drop_children_before(at, child); // the walk went past them
    child->visited = true;
    child->arrived = here;
    if (child->state == NodeState::OPEN && child->id != here) {
        drop(*child);
    }
    walk_at = child;
    tidy(&at);
}

void Tree::walk_passed_over(const std::string& name)
{
    if (off_tree > 0 || walk_at == nullptr) {
        return;
    }
    if (Node* child = unvisited_child(*walk_at, name)) {
        drop_children_before(*walk_at, child->next_sibling);
        tidy(child);
    }
}

void Tree::walk_returned()
{
    if (off_tree > 0) {
        --off_tree;
        return;
    }
    if (walk_at == nullptr || walk_at->parent == nullptr) {
        return;
    }
    Node* left = walk_at;
    left->listed = true;
    drop(*left); // whatever the walk did not take below it, it never will
    walk_at = left->parent;
    tidy(left);
}

bool Tree::worth_waking() const
{
    if (idle_workers == 0) {
        return false;
    }
    if (walk_at != nullptr && off_tree == 0 && !walk_at->dropped &&
        (walk_at->state != NodeState::OPEN || !walk_at->read_done)) {
        return true;
    }
    return 4 * descriptors_open_ <= 3 * descriptor_budget && 4 * blocks_held_ <= 3 * MAX_BLOCKS_HELD &&
           4 * entries_held_ <= 3 * MAX_ENTRIES_HELD;
}

Node* Tree::node_for_walk(std::unique_lock<std::mutex>& held, const DirectoryId& id)
{
    Node* node = off_tree == 0 ? walk_at : nullptr;
    if (node == nullptr || node->served || node->dropped || node->arrived != id) {
        return nullptr;
    }
    while (running() && !node->dropped &&
           (node->state == NodeState::OPENING ||
            (node->state == NodeState::WAITING && mode == Mode::ACTIVE))) {
        wait_for_workers(held);
    }
    if (node->state == NodeState::WAITING) {
        node->listed = true; // the walk reads it for itself; workers only look for its children
        return nullptr;
    }
    if (!running() || node->dropped || node->state != NodeState::OPEN || node->id != id) {
        return nullptr;
    }
    node->served = true;
    node->reader_on = true;
    return node;
}

void Tree::reader_done(Node& node)
{
    node.reader_on = false;
    node.listed = true;
    tidy(&node);
}

void Tree::clear()
{
    while (head != nullptr) {
        Node* node = head;
        head = node->next;
        while (node->first_block != nullptr) {
            Block* block = node->first_block;
            node->first_block = block->next;
            delete_block(block);
        }
        if (node->fd >= 0) {
            close(node->fd);
        }
        std::pmr::polymorphic_allocator<Node>(&memory()).delete_object(node);
    }
    walk_at = nullptr;
    blocks_held_ = 0;
    entries_held_ = 0;
    nodes_known_ = 0;
    descriptors_open_ = 0;
}

} // namespace ahead
