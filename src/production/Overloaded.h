#pragma once

// Visits a variant with one lambda an alternative: std::visit(Overloaded{...}, value).
template <typename... Visitors> struct Overloaded : Visitors... {
    using Visitors::operator()...;
};
template <typename... Visitors> Overloaded(Visitors...) -> Overloaded<Visitors...>;
