#!/usr/bin/python3
"""Every class, member, macro and global that the MFC stand-in declares must be
on compat/mfc/MfcNames.txt, each with the page of Microsoft's documentation it
follows, so the stand-in offers nothing that Microsoft's MFC does not.

The library, the examples and the tools are compiled against the stand-in
alone, so whatever of MFC they use is declared by it, hence on the list.

Usage: CheckMfcNames.py <source tree> [--write]   (--write: print the names
the headers declare, for a new list; the pages are added by hand.)"""
import re
import sys
import glob

import clang.cindex as ci

HEADERS = ["afxwin.h", "afxext.h", "afxmt.h", "afxtempl.h", "afxdisp.h", "afxdll_.h", "afxstat_.h"]
DOC_PAGE = re.compile(r"^https://learn\.microsoft\.com/en-us/cpp/\S+$")


def declared_names(root):
    include = root + "/compat/mfc/include"
    cxx = sorted(glob.glob("/usr/lib/gcc/x86_64-w64-mingw32/*-posix/include/c++"))[-1]
    args = ["-x", "c++", "-std=c++17", "--target=x86_64-w64-mingw32",
            "-resource-dir", sorted(glob.glob("/usr/lib/llvm-14/lib/clang/*"))[-1],
            "-isystem", cxx, "-isystem", cxx + "/x86_64-w64-mingw32",
            "-I" + include, "-DUNICODE", "-D_UNICODE", "-D_AFXDLL", "-D_DEBUG"]
    source = "".join("#include <%s>\n" % h for h in HEADERS)
    ci.Config.set_library_file("/usr/lib/llvm-14/lib/libclang.so.1")
    tu = ci.Index.create().parse("probe.cpp", args=args, unsaved_files=[("probe.cpp", source)],
                                 options=ci.TranslationUnit.PARSE_DETAILED_PROCESSING_RECORD
                                 | ci.TranslationUnit.PARSE_SKIP_FUNCTION_BODIES)
    errors = [str(d) for d in tu.diagnostics if d.severity >= ci.Diagnostic.Error]
    if errors:
        sys.exit("the stand-in's headers do not compile:\n" + "\n".join(errors))

    kinds = ci.CursorKind
    named = {kinds.CXX_METHOD, kinds.CONSTRUCTOR, kinds.DESTRUCTOR, kinds.FIELD_DECL,
             kinds.FUNCTION_DECL, kinds.FUNCTION_TEMPLATE, kinds.VAR_DECL,
             kinds.CONVERSION_FUNCTION, kinds.TYPEDEF_DECL, kinds.TYPE_ALIAS_DECL,
             kinds.ENUM_DECL, kinds.ENUM_CONSTANT_DECL}
    scopes = {kinds.CLASS_DECL, kinds.STRUCT_DECL, kinds.CLASS_TEMPLATE, kinds.UNION_DECL}

    def bare(name):
        return re.sub(r"<.*>$", "", name)

    def qualified(cursor):
        parts = []
        parent = cursor.semantic_parent
        while parent is not None and parent.kind != kinds.TRANSLATION_UNIT:
            if parent.spelling and parent.kind != kinds.ENUM_DECL:
                parts.insert(0, bare(parent.spelling))
            parent = parent.semantic_parent
        name = bare(cursor.spelling)
        if cursor.kind == kinds.DESTRUCTOR:
            name = "~" + bare(cursor.spelling[1:])
        return "::".join(parts + [name])

    names = set()

    def walk(cursor):
        for child in cursor.get_children():
            where = child.location.file
            if where is None or not where.name.startswith(include + "/"):
                continue
            if child.kind == kinds.MACRO_DEFINITION:
                if not (child.spelling.startswith("__") and child.spelling.endswith("__")):
                    names.add(child.spelling)   # include guards left out
            elif child.kind in scopes:
                if child.spelling:
                    names.add(qualified(child))
                    walk(child)
            elif child.kind in named:
                names.add(qualified(child))
                if child.kind == kinds.ENUM_DECL:
                    walk(child)
            elif child.kind in (kinds.NAMESPACE, kinds.UNEXPOSED_DECL):
                walk(child)
    walk(tu.cursor)
    return names


def listed_names(root):
    listed = {}
    problems = []
    with open(root + "/compat/mfc/MfcNames.txt", encoding="utf-8") as names_file:
        for number, line in enumerate(names_file, 1):
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            fields = line.split("\t")
            if len(fields) != 2 or not DOC_PAGE.match(fields[1]):
                problems.append("line %d: not 'name<TAB>Microsoft documentation page': %s" % (number, line))
                continue
            if fields[0] in listed:
                problems.append("line %d: %s is listed twice" % (number, fields[0]))
            listed[fields[0]] = fields[1]
    return listed, problems


def main():
    root = sys.argv[1]
    declared = declared_names(root)
    if "--write" in sys.argv:
        print("\n".join(sorted(declared)))
        return 0
    listed, problems = listed_names(root)
    problems += ["declared by the stand-in but not on the list: " + n for n in sorted(declared - set(listed))]
    problems += ["on the list but not declared by the stand-in: " + n for n in sorted(set(listed) - declared)]
    for problem in problems:
        print(problem)
    print("%d names declared, %d listed" % (len(declared), len(listed)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
