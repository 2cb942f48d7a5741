#!/usr/bin/python3
"""Writes data/catalogues/qd20.tsv, the parameter catalogue of the QD20 series.

Groups (code = prefix + two-digit position, no separator):
  F0 basic settings            F1 acceleration, deceleration and V/F
  F2 start and stop            F3 auxiliary running (jog, skip frequencies, detection)
  F4 analog inputs and outputs F5 digital input and output terminals
  F6 multi-speed and simple PLC F7 PID control
  F8 protection and faults     F9 communication
  FA motor data and vector control
  Fb password and system       Fc monitoring values (read-only, no range)

Format word of an entry (the station reads only bits 0..2):
  bits 0..2  implied decimals, taken from the numbers of the range text
             ("0.10～400.00Hz" -> 2); stated explicitly where the range has none
             or names other parameters ("F009～F007")
  bit 3      settable only while the drive is stopped            (mode "S")
  bit 4      settable while the drive is running too             (mode "R")
             neither bit: read-only monitoring values and records (mode "-")
  bit 5      the range reaches below zero: its lower end is a number with a
             minus sign, "-" or "－" ("-100.0～100.0%")

Run:  /usr/bin/python3 data/catalogues/authoring/qd20_catalogue.py
"""

import os
import re

FORMAT_WORDS = {0, 1, 2, 8, 9, 10, 11, 16, 17, 18, 19, 32, 33, 34, 40, 48, 49, 50, 51}
MODE_BITS = {"S": 0x08, "R": 0x10, "-": 0x00}
NEGATIVE_LOWER_END = re.compile(r"^\s*[-－]\s*\d")


def decimals_of(range_text):
    """Most digits after a decimal point among the numbers of a range text."""
    fractions = re.findall(r"\d\.(\d+)", range_text)
    return max((len(f) for f in fractions), default=0)


def format_word(mode, range_text, decimals=None):
    if decimals is None:
        decimals = decimals_of(range_text)
    lower_end = range_text.split("～")[0]
    word = decimals | MODE_BITS[mode]
    if NEGATIVE_LOWER_END.match(lower_end):
        word |= 0x20
    assert word in FORMAT_WORDS, (mode, range_text, word)
    return word


FREQ = "0.00～400.00Hz"
TIME = "0.1～3600.0s"
PERCENT = "0.0～100.0%"
SIGNED_PERCENT = "-100.0～100.0%"

# (mode, name, range, description[, decimals]) per group, in catalogue order.
GROUPS = [
    ("F0", [
        ("R", "数字给定频率", "0.10～400.00Hz",
         "变频器选择了数字给定作为输入信号时，调节该值调节频率"),
        ("S", "频率给定组合方式", "0～3", ""),
        ("S", "主给定信号", "0～3", "主给定通道信号源的选择"),
        ("S", "辅助给定信号", "0～4", ""),
        ("R", "辅助给定增益", "0.00～2.00", ""),
        ("S", "运行命令通道", "0～2", "0:操作面板；1:外部端子；2:通讯(RS485)"),
        ("R", "运行方向设定", "0～1", ""),
        ("S", "最大输出频率", "50.00～400.00Hz", ""),
        ("S", "上限频率", "F009～F007", "", 2),
        ("S", "下限频率", "0.00Hz～F008", ""),
        ("S", "基本频率", "5.00～400.00Hz", ""),
        ("S", "最大输出电压", "100～500V", ""),
        ("R", "载波频率", "1.0～15.0kHz", ""),
        ("S", "反转禁止", "0～1", ""),
    ]),
    ("F1", [
        ("S", "加减速方式", "0～1", ""),
        ("S", "S曲线起始段时间比例", "10.0～50.0%", ""),
        ("S", "S曲线结束段时间比例", "10.0～50.0%", ""),
    ] + [
        ("R", f"{kind}时间{n}", TIME, "") for n in range(1, 5) for kind in ("加速", "减速")
    ] + [
        ("R", "加减速时间切换频率", FREQ, ""),
        ("S", "V/F曲线设定", "0～3", ""),
        ("S", "转矩提升方式", "0～1", ""),
        ("R", "手动转矩提升", "0.0～30.0%", ""),
        ("S", "转矩提升截止频率", "0.00～50.00Hz", ""),
    ] + [
        item for n in range(1, 4) for item in (
            ("S", f"V/F频率值F{n}", FREQ, ""),
            ("S", f"V/F电压值V{n}", PERCENT, ""),
        )
    ] + [
        ("R", "转差补偿增益", "0.0～200.0%", ""),
        ("R", "转差补偿滤波时间", "0.01～10.00s", ""),
        ("S", "自动稳压(AVR)选择", "0～2", ""),
        ("S", "自动节能运行", "0～1", ""),
        ("R", "节能降压上限", "0.0～50.0%", ""),
        ("R", "振荡抑制系数", "0～100", ""),
        ("R", "V/F过励磁增益", "0～200", ""),
        ("S", "V/F分离电压给定", "0～4", ""),
    ]),
    ("F2", [
        ("S", "启动方式", "0～2", ""),
        ("S", "启动频率", "0.00～10.00Hz", ""),
        ("S", "启动频率保持时间", "0.0～10.0s", ""),
        ("S", "启动直流制动电流", PERCENT, ""),
        ("S", "启动直流制动时间", "0.0～30.0s", ""),
        ("R", "停机方式", "0～1", ""),
        ("R", "停机直流制动起始频率", "0.00～50.00Hz", ""),
        ("R", "停机直流制动等待时间", "0.0～10.0s", ""),
        ("R", "停机直流制动电流", PERCENT, ""),
        ("R", "停机直流制动时间", "0.0～30.0s", ""),
        ("S", "正反转死区时间", "0.0～60.0s", ""),
        ("S", "停机频率", "0.00～10.00Hz", ""),
        ("S", "瞬时停电再启动", "0～1", ""),
    ]),
    ("F3", [
        ("R", "点动运行频率", "0.10～50.00Hz", ""),
        ("R", "点动加速时间", TIME, ""),
        ("R", "点动减速时间", TIME, ""),
        ("S", "跳跃频率1", FREQ, ""),
        ("S", "跳跃频率2", FREQ, ""),
        ("S", "跳跃频率3", FREQ, ""),
        ("S", "跳跃频率范围", "0.00～10.00Hz", ""),
        ("R", "频率到达检出幅度", "0.00～10.00Hz", ""),
        ("R", "频率检测值(FDT)", FREQ, ""),
        ("R", "FDT滞后值", PERCENT, ""),
        ("S", "下限频率运行模式", "0～2", ""),
        ("R", "冷却风扇控制", "0～1", ""),
    ]),
    ("F4", [
        ("R", "AI1最小输入", "0.00～10.00V", ""),
        ("R", "AI1最小输入对应设定", SIGNED_PERCENT, ""),
        ("R", "AI1最大输入", "0.00～10.00V", ""),
        ("R", "AI1最大输入对应设定", SIGNED_PERCENT, ""),
        ("R", "AI1输入滤波时间", "0.00～10.00s", ""),
        ("R", "AI2最小输入", "0.00～20.00mA", ""),
        ("R", "AI2最小输入对应设定", SIGNED_PERCENT, ""),
        ("R", "AI2最大输入", "0.00～20.00mA", ""),
        ("R", "AI2最大输入对应设定", SIGNED_PERCENT, ""),
        ("R", "AI2输入滤波时间", "0.00～10.00s", ""),
        ("R", "模拟输入掉线检测阈值", "0.0～20.0%", ""),
        ("R", "AO1输出选择", "0～7", ""),
        ("R", "AO1输出下限", PERCENT, ""),
        ("R", "AO1下限对应输出", "0.00～10.00V", ""),
        ("R", "AO1输出上限", PERCENT, ""),
        ("R", "AO1上限对应输出", "0.00～10.00V", ""),
        ("R", "AO2输出选择", "0～7", ""),
        ("R", "AO2输出增益", "0.0～200.0%", ""),
        ("R", "AO2输出偏置", SIGNED_PERCENT, ""),
        ("R", "脉冲输出频率上限", "0.1～50.0kHz", ""),
    ]),
    ("F5", [
        ("S", f"X{n}端子功能选择", "0～30", "") for n in range(1, 9)
    ] + [
        ("S", "端子控制运行模式", "0～3", ""),
        ("R", "端子UP/DOWN速率", "0.01～50.00Hz/s", ""),
        ("R", "数字输入滤波时间", "0.000～1.000s", ""),
        ("S", "输入端子有效逻辑", "0～255", ""),
        ("R", "Y1输出功能选择", "0～20", ""),
        ("R", "Y2输出功能选择", "0～20", ""),
        ("R", "继电器1输出功能选择", "0～20", ""),
        ("R", "继电器2输出功能选择", "0～20", ""),
    ] + [
        ("R", f"{output}{edge}延时", "0.0～100.0s", "")
        for output in ("Y1", "Y2", "继电器1", "继电器2") for edge in ("开通", "关断")
    ] + [
        ("R", "输出端子有效逻辑", "0～15", ""),
        ("R", "计数器复位值", "1～9999", ""),
        ("R", "计数器检测值", "1～9999", ""),
        ("R", "定时器设定时间", "0.0～6000.0s", ""),
        ("S", "上电端子运行保护", "0～1", ""),
    ]),
    ("F6", [
        ("R", f"多段速频率{n}", FREQ, "") for n in range(1, 16)
    ] + [
        ("S", "简易PLC运行方式", "0～3", ""),
        ("S", "PLC掉电记忆选择", "0～2", ""),
    ] + [
        ("R", f"PLC第{n}段运行时间", "0.0～6000.0s", "") for n in range(1, 16)
    ] + [
        ("S", "PLC运行时间单位", "秒/分", ""),
        ("R", "段速1～4加减速时间选择", "0～255", ""),
        ("R", "段速5～8加减速时间选择", "0～255", ""),
        ("R", "段速9～12加减速时间选择", "0～255", ""),
        ("R", "段速13～15加减速时间选择", "0～63", ""),
        ("R", "多段速运行方向", "0～32767", ""),
        ("R", "PLC运行状态复位", "0～1", ""),
    ]),
    ("F7", [
        ("S", "PID给定源", "0～4", ""),
        ("R", "PID数字给定", PERCENT, ""),
        ("S", "PID反馈源", "0～4", ""),
        ("S", "PID作用方向", "0～1", ""),
        ("R", "PID给定反馈量程", "0～9999", ""),
    ] + [
        item for n in (1, 2) for item in (
            ("R", f"比例增益P{n}", "0.00～100.00", ""),
            ("R", f"积分时间I{n}", "0.01～10.00s", ""),
            ("R", f"微分时间D{n}", "0.000～10.000s", ""),
        )
    ] + [
        ("R", "PID参数切换条件", "0～2", ""),
        ("R", "PID参数切换偏差1", PERCENT, ""),
        ("R", "PID参数切换偏差2", PERCENT, ""),
        ("R", "PID偏差极限", PERCENT, ""),
        ("R", "PID微分限幅", "0.00～100.00%", ""),
        ("R", "PID输出上限", PERCENT, ""),
        ("R", "PID输出下限", SIGNED_PERCENT, ""),
        ("R", "PID反转截止频率", FREQ, ""),
        ("R", "PID给定变化时间", "0.00～300.00s", ""),
        ("R", "PID反馈滤波时间", "0.00～60.00s", ""),
        ("R", "PID输出滤波时间", "0.00～60.00s", ""),
        ("R", "PID反馈断线检测值", PERCENT, ""),
        ("R", "PID反馈断线检测时间", "0.0～20.0s", ""),
        ("R", "PID停机运算", "0～1", ""),
        ("R", "睡眠频率", FREQ, ""),
        ("R", "睡眠延迟时间", "0.0～3600.0s", ""),
        ("R", "唤醒偏差", PERCENT, ""),
        ("R", "唤醒延迟时间", "0.0～60.0s", ""),
        ("R", "PID初值", PERCENT, ""),
        ("R", "PID初值保持时间", "0.00～300.00s", ""),
        ("R", "PID积分分离阈值", PERCENT, ""),
        ("R", "PID积分属性", "0～11", ""),
    ]),
    ("F8", [
        ("S", "电机过载保护选择", "0～1", ""),
        ("R", "电机过载保护增益", "0.20～10.00", ""),
        ("R", "电机过载预警系数", "50～100%", ""),
        ("R", "过压失速选择", "0～1", ""),
        ("R", "过压失速保护电压", "120～150%", ""),
        ("R", "过流失速选择", "0～1", ""),
        ("R", "过流失速保护电流", "100～200%", ""),
        ("R", "输入缺相保护选择", "0～1", ""),
        ("R", "输出缺相保护选择", "0～1", ""),
        ("R", "上电对地短路保护", "0～1", ""),
        ("R", "故障自动复位次数", "0～20", ""),
        ("R", "故障自动复位间隔时间", "0.1～100.0s", ""),
        ("R", "自动复位期间故障输出", "0～1", ""),
        ("R", "欠压保护点", "300～450V", ""),
        ("S", "瞬停不停功能选择", "0～1", ""),
        ("S", "瞬停动作暂停判断电压", "80.0～100.0%", ""),
        ("R", "掉载保护选择", "0～1", ""),
        ("R", "掉载检出水平", PERCENT, ""),
        ("R", "掉载检出时间", "0.0～60.0s", ""),
        ("R", "过速度检出值", "0.0～50.0%", ""),
        ("R", "速度偏差过大检出值", "0.0～50.0%", ""),
        ("R", "制动单元动作电压", "650～800V", ""),
        # Fault records: read-only, no range.
        ("-", "最近一次故障类型", "", ""),
        ("-", "前一次故障类型", "", ""),
        ("-", "前两次故障类型", "", ""),
        ("-", "故障时输出频率", "只读", "", 2),
        ("-", "故障时输出电流", "只读", "", 1),
        ("-", "故障时输入端子状态", "只读", ""),
        ("-", "故障时输出端子状态", "只读", ""),
        ("R", "故障记录清除", "0～1", ""),
        ("R", "模拟输入掉线动作", "0～2", ""),
        ("R", "外部故障输入动作", "0～1", ""),
        ("R", "过热预警温度", "40～100℃", ""),
        ("R", "累计运行时间到达设定", "0～9999h", ""),
    ]),
    ("F9", [
        ("S", "本机通讯地址", "1～247", ""),
        ("S", "通讯波特率", "0～5", ""),
        ("S", "通讯数据格式", "0～3", ""),
        ("R", "通讯超时时间", "0.0～60.0s", ""),
    ]),
    ("FA", [
        ("S", "电机控制方式", "0～1", ""),
        ("S", "电机额定功率", "0.4～400.0kW", ""),
        ("S", "电机额定电压", "0～500V", ""),
        ("S", "电机额定电流", "0.1～999.9A", ""),
        ("S", "电机额定频率", "1.00～400.00Hz", ""),
        ("S", "电机额定转速", "0～24000rpm", ""),
        ("S", "电机空载电流", "0.1～999.9A", ""),
        ("S", "定子电阻", "0.001～30.000Ω", ""),
        ("S", "转子电阻", "0.001～30.000Ω", ""),
        ("S", "定转子漏感", "0.1～3000.0mH", ""),
        ("S", "定转子互感", "0.1～3000.0mH", ""),
        ("S", "电机参数自整定", "0～2", ""),
        ("R", "速度环比例增益", "1～100", ""),
        ("R", "速度环积分时间", "0.01～10.00s", ""),
        ("R", "转矩上限", "0.0～200.0%", ""),
        ("R", "矢量转差补偿系数", "50～200%", ""),
    ]),
    ("Fb", [
        ("R", "用户密码", "0～9999", ""),
        ("S", "参数初始化", "0～2", "0:无操作；1:恢复出厂设定值；2:清除故障记录"),
    ]),
    # Monitoring values: read-only, no range; decimals give the unit step.
    ("Fc", [
        ("-", "输出频率", "", "", 2),
        ("-", "设定频率", "", "", 2),
        ("-", "输出电流", "", "", 1),
        ("-", "输出电压", "", "", 1),
        ("-", "电机转速", "", "", 0),
        ("-", "输出功率", "", "", 1),
        ("-", "输出转矩", "", "", 1),
        ("-", "PID给定值", "", "", 1),
        ("-", "PID反馈值", "", "", 1),
        ("-", "输入端子状态", "", "", 0),
        ("-", "模块温度", "", "", 0),
        ("-", "母线电压", "", "", 2),
    ]),
]

GROUP_SIZES = {"F0": 14, "F1": 30, "F2": 13, "F3": 12, "F4": 20, "F5": 29, "F6": 39,
               "F7": 33, "F8": 34, "F9": 4, "FA": 16, "Fb": 2, "Fc": 12}


def main():
    lines = ["format\tcode\tname\trange\tdescription"]
    for prefix, entries in GROUPS:
        assert len(entries) == GROUP_SIZES[prefix], (prefix, len(entries))
        for position, (mode, name, range_text, description, *decimals) in enumerate(entries):
            word = format_word(mode, range_text, *decimals)
            lines.append(f"{word}\t{prefix}{position:02d}\t{name}\t{range_text}\t{description}")
    assert len(lines) == 1 + 258
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "..", "qd20.tsv"), "w", encoding="utf-8", newline="\n") as out:
        out.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
