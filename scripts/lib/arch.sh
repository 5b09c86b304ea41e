# Whether this machine runs 32-bit x86 programs: some kernels have that switched off ("32-bit emulation
# disabled" in dmesg), and the kernel's own version says nothing. A tiny static i386 program is written and
# run: it ends with exit code 42 where 32-bit code runs.
machine_runs_i386() {
    local probe rc=0
    probe=$(mktemp "${TMPDIR:-/tmp}/ulvara-i386.XXXXXX") || return 1
    # ELF header, one loadable segment at 0x08048000, then: mov eax,1; mov ebx,42; int 0x80.
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'\
'\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00'\
'\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'\
'\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00'\
'\x05\x00\x00\x00\x00\x10\x00\x00'\
'\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$probe"
    chmod +x "$probe"
    "$probe" 2>/dev/null || rc=$?
    rm -f "$probe"
    [ "$rc" -eq 42 ]
}

# Whether Wine runs 32-bit programs here: the machine runs them, and wine32 (its 32-bit loader) is installed.
# scripts/deps installs wine32 where the machine runs 32-bit code; where that failed (apt could not give it),
# the scripts fall back to what a machine without 32-bit code does, and say so.
wine_runs_x86() { machine_runs_i386 && [ -x /usr/lib/wine/wine ]; }
