// Boost.JSON compiled into the plugin, for targets without an installed Boost.JSON library.
#include <boost/json/src.hpp>
