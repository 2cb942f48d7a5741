#!/usr/bin/python3
"""Writes data/catalogues/qd10.tsv, the parameter catalogue of the QD10 series.

The QD10 is the small general-purpose drive: one group "Pr", user parameters
Pr00..Pr87 and factory parameters Pr88..Pr99 (not listed to the operator).

Format word of an entry (the station reads only bits 0..2):
  bits 0..2  implied decimals, taken from the numbers of the range text
             ("0.10～200.00Hz" -> 2); stated explicitly where the range has none
  bit 3      settable only while the drive is stopped            (mode "S")
  bit 4      settable while the drive is running too             (mode "R")
             neither bit: read-only records and factory entries  (mode "-")
  bit 5      the range reaches below zero: its lower end is a number with a
             minus sign, "-" or "－" ("-10.00～10.00V")

Run:  /usr/bin/python3 data/catalogues/authoring/qd10_catalogue.py
"""

from catalogue_common import mode_format_word, write_catalogue

# (mode, name, range, description[, decimals])
USER = [
    ("R", "数字给定频率", "0.10～200.00Hz",
     "变频器选择了数字给定作为输入信号时，调节该值调节频率"),
    ("S", "频率给定通道选择", "0～5",
     "0:Pr00数字设定频率；1:VRF模拟电压(0～10V)；2:VRF模拟电压(-10～10V)；"
     "3:IRF模拟电流 (0～20mA)；4:面板电位器；5:通讯(RS485)"),
    ("S", "运行命令通道选择", "0～2", "0:操作面板；1:外部端子；2:通讯(RS485)"),
    ("S", "第一加速时间", "0.1～600.0s", "第一个加速时间设置，可以通过端子选择"),
    ("S", "第一减速时间", "0.1～600.0s", ""),
    ("S", "最高频率", "50.00～200.00Hz", ""),
    ("S", "上限频率", "0.10～200.00Hz", ""),
    ("S", "下限频率", "0.00～200.00Hz", ""),
    ("S", "基本频率", "5.00～200.00Hz", ""),
    ("S", "最高输出电压", "100～400V", ""),
    ("S", "转矩提升", "0.0～30.0%", ""),
    ("S", "V/F曲线选择", "0～2", ""),
    ("S", "载波频率", "1.0～12.0kHz", ""),
    ("S", "启动频率", "0.10～10.00Hz", ""),
    ("S", "启动频率保持时间", "0.0～10.0s", ""),
    ("S", "停车方式", "0～1", ""),
    ("S", "停机直流制动起始频率", "0.00～50.00Hz", ""),
    ("S", "停机直流制动电流", "0.0～100.0%", ""),
    ("S", "停机直流制动时间", "0.0～30.0s", ""),
    ("R", "点动频率", "0.10～50.00Hz", ""),
    ("R", "点动加速时间", "0.1～600.0s", ""),
    ("R", "点动减速时间", "0.1～600.0s", ""),
    ("R", "第二加速时间", "0.1～600.0s", ""),
    ("R", "第二减速时间", "0.1～600.0s", ""),
    ("S", "反转控制", "允许/禁止", ""),
    ("S", "正反转死区时间", "0.0～10.0s", ""),
    ("S", "跳跃频率1", "0.00～200.00Hz", ""),
    ("S", "跳跃频率2", "0.00～200.00Hz", ""),
    ("S", "跳跃频率幅度", "0.00～10.00Hz", ""),
] + [
    ("R", f"多段速频率{n}", "0.00～200.00Hz", "") for n in range(1, 8)
] + [
    ("S", f"X{n}端子功能选择", "0～15", "") for n in range(1, 5)
] + [
    ("S", "端子控制运行模式", "0～3", ""),
    ("R", "VRF最小输入电压", "0.00～10.00V", ""),
    ("R", "VRF最大输入电压", "0.00～10.00V", ""),
    ("R", "VRF最小输入对应频率", "0.00～200.00Hz", ""),
    ("R", "VRF最大输入对应频率", "0.00～200.00Hz", ""),
    ("R", "IRF最小输入电流", "0.00～20.00mA", ""),
    ("R", "IRF最大输入电流", "0.00～20.00mA", ""),
    ("R", "IRF最小输入对应频率", "0.00～200.00Hz", ""),
    ("R", "IRF最大输入对应频率", "0.00～200.00Hz", ""),
    ("R", "模拟输入滤波时间", "0.01～5.00s", ""),
    ("R", "VRF零点偏置", "-10.00～10.00V", ""),
    ("S", "继电器输出功能选择", "0～10", ""),
    ("S", "Y1输出功能选择", "0～10", ""),
    ("R", "频率到达检出幅度", "0.00～10.00Hz", ""),
    ("R", "频率水平检测值", "0.00～200.00Hz", ""),
    ("R", "AO模拟输出选择", "0～4", ""),
    ("R", "AO输出增益", "50.0～200.0%", ""),
    ("R", "AO输出偏置", "-10.0～10.0%", ""),
    ("S", "电机额定电流", "0.1～99.9A", ""),
    ("S", "电机过载保护电平", "30.0～110.0%", ""),
    ("S", "电机过载保护方式", "0～2", ""),
    ("S", "过压失速防止", "0～1", ""),
    ("S", "过流失速防止电平", "120～200%", ""),
    ("S", "自动稳压(AVR)功能", "0～2", ""),
    ("R", "转差补偿增益", "0～200%", ""),
    ("S", "瞬停再启动选择", "0～1", ""),
    ("S", "再启动等待时间", "0.1～10.0s", ""),
    ("S", "故障自动复位次数", "0～10", ""),
    ("S", "故障自动复位间隔时间", "0.5～25.0s", ""),
    ("R", "冷却风扇控制", "0～1", ""),
    ("S", "本机通讯地址", "1～247", ""),
    ("S", "通讯波特率", "0～3", ""),
    ("S", "通讯数据格式", "0～2", ""),
    ("R", "通讯超时检出时间", "0.0～60.0s", ""),
    ("R", "通讯应答延时", "0～200ms", ""),
    ("S", "PID控制选择", "0～1", ""),
    ("R", "PID给定量", "0.0～100.0%", ""),
    ("S", "PID反馈通道", "0～2", ""),
    ("R", "比例增益P", "0.00～10.00", ""),
    ("R", "积分时间I", "0.0～100.0s", ""),
    ("R", "微分时间D", "0.00～10.00s", ""),
    ("R", "PID偏差极限", "0.0～20.0%", ""),
    ("R", "面板显示选择", "0～7", ""),
    ("S", "STOP键停机功能选择", "0～1", ""),
    # Fault records are read-only and carry no range.
    ("-", "最近一次故障记录", "", ""),
    ("-", "前一次故障记录", "", ""),
    ("-", "前两次故障记录", "", ""),
    ("S", "参数设定", "0～5", ""),
]

FACTORY = [("-", "厂家参数", "0", "")] * 12


def main():
    entries = USER + FACTORY
    assert len(USER) == 88 and len(entries) == 100
    write_catalogue("QD10", [
        (mode_format_word(mode, range_text, *decimals), f"Pr{position:02d}", name, range_text,
         description)
        for position, (mode, name, range_text, description, *decimals) in enumerate(entries)
    ])


if __name__ == "__main__":
    main()
