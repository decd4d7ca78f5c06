#include "LoopbackListener.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

LoopbackListener::LoopbackListener() : socket_(::socket(AF_INET, SOCK_STREAM, 0))
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(socket_, reinterpret_cast<sockaddr*>(&address), size) == 0 && ::listen(socket_, 4) == 0
        && ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port_ = ntohs(address.sin_port);
}

LoopbackListener::~LoopbackListener()
{
    if (socket_ >= 0)
        ::close(socket_);
}
