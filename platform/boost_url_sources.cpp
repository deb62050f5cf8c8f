// Boost.URL compiled into the plugin, for targets without an installed Boost.URL library.
#include <boost/url/src.hpp>
