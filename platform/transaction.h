#pragma once
// The per-thread transaction engine: one bracket around the statements the
// run sends through its database objects. Each call raises platform::Error
// on failure.
namespace vantyr::platform {

class TransactionEngine {
public:
    virtual ~TransactionEngine() = default;
    virtual void BeginTrans() = 0;
    virtual void CommitTrans() = 0;
    virtual void Rollback() = 0;
};

}  // namespace vantyr::platform
