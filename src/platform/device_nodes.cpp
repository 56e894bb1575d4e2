#include "platform/device_nodes.h"

#include <map>
#include <mutex>
#include <vector>

namespace bridgefw::platform {
namespace {

struct Node {
  WString instanceId;
  uint32_t parent = 0;
};

struct NodeTable {
  std::mutex lock;
  std::vector<Node> nodes;  // handle h is nodes[h - 1]
  std::map<WString, uint32_t> byId;
};

NodeTable& Table() {
  static NodeTable table;
  return table;
}

}  // namespace

uint32_t InternDeviceNode(const WString& instanceId) {
  NodeTable& table = Table();
  const std::lock_guard<std::mutex> guard(table.lock);
  const auto found = table.byId.find(instanceId);
  if (found != table.byId.end()) return found->second;
  table.nodes.push_back(Node{instanceId, 0});
  const auto handle = static_cast<uint32_t>(table.nodes.size());
  table.byId.emplace(instanceId, handle);
  return handle;
}

void SetDeviceNodeParent(uint32_t devInst, uint32_t parent) {
  NodeTable& table = Table();
  const std::lock_guard<std::mutex> guard(table.lock);
  if (devInst >= 1 && devInst <= table.nodes.size()) table.nodes[devInst - 1].parent = parent;
}

bool LookUpDeviceNode(uint32_t devInst, WString& instanceId, uint32_t& parent) {
  NodeTable& table = Table();
  const std::lock_guard<std::mutex> guard(table.lock);
  if (devInst < 1 || devInst > table.nodes.size()) return false;
  instanceId = table.nodes[devInst - 1].instanceId;
  parent = table.nodes[devInst - 1].parent;
  return true;
}

}  // namespace bridgefw::platform
