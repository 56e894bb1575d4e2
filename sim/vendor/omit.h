// Which names a build of the stand-in leaves out, so that tests can load
// deliberately incomplete libraries.
//
// QNUSB_OMIT_GROUP=<n> (1 to 11) leaves out the last name of the n-th group
// of functions that the plugin requires, in the order in which the plugin
// checks them; QNUSB_OMIT_OPTIONAL leaves out the five names that the
// plugin looks up but does not require. A normal build leaves out nothing.
#pragma once

#ifndef QNUSB_OMIT_GROUP
#define QNUSB_OMIT_GROUP 0
#endif
