#pragma once

// Types of the product's other modules that the framework only passes on by
// pointer. Their contents are the host's business; nothing here defines them.
// A collection used as an object's parent must be a CommonObjectBase at the
// same address, because the framework reads its ID and delivers to it.
class Page;
class Project;
class ActiveObject;
class OnButton;
class ICommonObject;
class ICommonObjectCollection;
class CommonObject;
// The host's iterator over its map from name to ActiveObject, handed back to
// the kill callback untouched.
class ActiveObjectMapIterator;
