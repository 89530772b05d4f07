/* Counts the guest instructions a program runs under qemu-user, per thread,
 * and how many of them are vector (SIMD) instructions. Printed at exit to the
 * qemu log (-d plugin, -D FILE):
 *   thread 0: N instructions, S simd
 *   all threads: N instructions, S simd
 * Thread 0 is the program's main thread: in the visualiser, the GUI thread.
 * Each thread adds to its own counter (one block per translated block, added
 * when the block runs), so threads never lose each other's counts, as a shared
 * counter without atomics does. Built by scripts/paint-cost.sh against the
 * plugin header of the distribution's qemu source. */
#include <qemu-plugin.h>

#include <glib.h>
#include <inttypes.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

QEMU_PLUGIN_EXPORT int qemu_plugin_version = QEMU_PLUGIN_VERSION;

enum { kThreads = 256 }; /* later threads share the last slot, atomically */

typedef struct {
    uint64_t insns;
    uint64_t simd;
} Counts;

static Counts counts[kThreads];

/* A vector instruction by its disassembly: an A64 vector register
 * ("v3.16b"), or on 32-bit ARM a quad register, an element structure load or
 * store, or an integer or polynomial element type, which the scalar
 * floating-point unit has none of. */
static int IsSimd(const char* text) {
    const char* p;
    if (!text)
        return 0;
    for (p = text; *p; ++p) {
        if (p[0] == 'v' && g_ascii_isdigit(p[1]) && (p[2] == '.' || p[3] == '.') &&
            (p == text || !g_ascii_isalnum(p[-1])))
            return 1;
        if (p[0] == 'q' && g_ascii_isdigit(p[1]) && p > text && (p[-1] == ' ' || p[-1] == '{'))
            return 1;
    }
    if (text[0] != 'v')
        return 0;
    if (!strncmp(text, "vld", 3) || !strncmp(text, "vst", 3))
        return g_ascii_isdigit(text[3]);
    p = strchr(text, '.');
    return p && (p[1] == 'i' || p[1] == 'p' || !strncmp(p, ".u8", 3) || !strncmp(p, ".s8", 3) ||
                 !strncmp(p, ".u16", 4) || !strncmp(p, ".s16", 4));
}

static void BlockRan(unsigned int cpu_index, void* udata) {
    const Counts* block = udata;
    Counts* c = &counts[cpu_index < kThreads ? cpu_index : kThreads - 1];
    __atomic_fetch_add(&c->insns, block->insns, __ATOMIC_RELAXED);
    __atomic_fetch_add(&c->simd, block->simd, __ATOMIC_RELAXED);
}

static void BlockTranslated(qemu_plugin_id_t id, struct qemu_plugin_tb* tb) {
    /* Lives as long as the translation may run: to the end of the process. */
    Counts* block = g_new0(Counts, 1);
    size_t i;
    (void)id;
    block->insns = qemu_plugin_tb_n_insns(tb);
    for (i = 0; i < block->insns; ++i) {
        char* text = qemu_plugin_insn_disas(qemu_plugin_tb_get_insn(tb, i));
        block->simd += IsSimd(text) ? 1 : 0;
        g_free(text);
    }
    qemu_plugin_register_vcpu_tb_exec_cb(tb, BlockRan, QEMU_PLUGIN_CB_NO_REGS, block);
}

static void Report(qemu_plugin_id_t id, void* p) {
    Counts all = {0, 0};
    char line[128];
    int i;
    (void)id;
    (void)p;
    for (i = 0; i < kThreads; ++i) {
        all.insns += __atomic_load_n(&counts[i].insns, __ATOMIC_RELAXED);
        all.simd += __atomic_load_n(&counts[i].simd, __ATOMIC_RELAXED);
    }
    snprintf(line, sizeof line, "thread 0: %" PRIu64 " instructions, %" PRIu64 " simd\n",
             counts[0].insns, counts[0].simd);
    qemu_plugin_outs(line);
    snprintf(line, sizeof line, "all threads: %" PRIu64 " instructions, %" PRIu64 " simd\n",
             all.insns, all.simd);
    qemu_plugin_outs(line);
}

QEMU_PLUGIN_EXPORT int qemu_plugin_install(qemu_plugin_id_t id, const qemu_info_t* info, int argc,
                                           char** argv) {
    (void)info;
    (void)argc;
    (void)argv;
    qemu_plugin_register_vcpu_tb_trans_cb(id, BlockTranslated);
    qemu_plugin_register_atexit_cb(id, Report, NULL);
    return 0;
}
