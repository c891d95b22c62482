// The session shared by a workspace object and the databases open in it: the open connections and
// the transaction level that spans them all.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/core/CString.h"
#include "platform/dao/DaoConnection.h"

namespace qh::dao {

class WorkspaceState {
 public:
  WorkspaceState(std::string name, std::string user) : m_name(std::move(name)), m_user(std::move(user)) {}

  // The default workspace of the calling thread.
  static std::shared_ptr<WorkspaceState> Default();

  const std::string& Name() const { return m_name; }
  const std::string& User() const { return m_user; }

  void Attach(const std::shared_ptr<Connection>& connection);
  void Detach(const Connection* connection);
  std::vector<std::shared_ptr<Connection>> Connections();

  int Level() const { return m_level; }
  void Begin();
  void Commit();
  void Rollback();

 private:
  std::string m_name;
  std::string m_user;
  std::vector<std::weak_ptr<Connection>> m_connections;
  int m_level = 0;
};

}  // namespace qh::dao
