// keeps the library non-empty until its first unit lands
namespace { [[maybe_unused]] int placeholder_engine; }
