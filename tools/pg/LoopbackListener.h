#pragma once

// A TCP port on 127.0.0.1 that the system picks and that listens as long as
// this lives: connections to it are completed by the system, and nobody ever
// answers on them, as with a server that hangs.
class LoopbackListener {
public:
    LoopbackListener();
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    // 0 when no port could be had.
    int Port() const { return port_; }

private:
    int socket_ = -1;
    int port_ = 0;
};
