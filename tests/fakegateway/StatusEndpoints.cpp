// The gateway's status, served from the state.
#include "fakegateway/FakeGateway.h"

namespace fernholm::fake {

namespace {

const EndpointGroup status("status", [](FakeGateway& gateway) {
    gateway.route("GET", "/api/status",
                  [](const FakeGateway::Request&, GatewayState& state) { return FakeGateway::json(state.status); });
});

} // namespace

} // namespace fernholm::fake
